#pragma once

#include "DeskmapCore/InstalledClients/InstalledClient.hpp"
#include "DeskmapCore/InstalledClients/InstalledClientExecutableLocator.hpp"
#include "DeskmapCore/Inventory/SpaceSummarizing.hpp"
#include "DeskmapCore/Process/InstalledClientProcessRunning.hpp"

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace deskmap {

// How long the status command and each client run may take.
struct InstalledClientTimeouts {
    std::chrono::duration<double> status = std::chrono::seconds(15);
    std::chrono::duration<double> run = std::chrono::seconds(90);
};

// Summaries from the user's own signed-in command-line client, run once per
// summary (twice after an answer in non-Latin writing) in a private run
// directory that is removed on every way out. The client is verified first,
// so a signed-out client never receives Space data.
//
// Throws InstalledClientError, DeskmapError (installedClient) for an answer
// that fails validation, or CancellationError.
class InstalledClientSummarizer final : public SpaceSummarizing {
public:
    static constexpr std::string_view promptSeparator = "\n\nInput:\n";
    static constexpr std::string_view jsonOnlySuffix =
        " Return only a JSON object with no Markdown or other text, in exactly this shape: "
        "{\"spaces\":[{\"index\":1,\"label\":\"Example label\",\"summary\":\"Example summary "
        "phrase\"}]}";

    // `temporaryDirectory`: where run directories are made; empty means
    // $TMPDIR, else /tmp.
    InstalledClientSummarizer(InstalledClient client, InstalledClientExecutableLocator locator,
                              std::shared_ptr<InstalledClientProcessRunning> runner,
                              std::filesystem::path temporaryDirectory = {},
                              InstalledClientTimeouts timeouts = {});

    asio::awaitable<SummaryResult> summarize(Inventory inventory) override;

    // The prompt for the given instructions and minimized input.
    static std::string prompt(InstalledClient client, std::string_view instructions,
                              const std::string& input);

    // The client's arguments for one summary run in `runDirectory`.
    static std::vector<std::string> arguments(InstalledClient client,
                                              const std::filesystem::path& runDirectory,
                                              const std::string& prompt);

    InstalledClient client() const { return client_; }

private:
    InstalledClient client_;
    InstalledClientExecutableLocator locator_;
    std::shared_ptr<InstalledClientProcessRunning> runner_;
    std::filesystem::path temporaryDirectory_;
    InstalledClientTimeouts timeouts_;
};

} // namespace deskmap
