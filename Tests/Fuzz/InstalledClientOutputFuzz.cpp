// What a signed-in client answers to a summary run: the file Codex writes
// with its last message, or the JSON wrapper the Cursor agent prints. The
// first byte picks the client.
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapCore/InstalledClients/InstalledClientSummarizer.hpp"
#include "FuzzContract.hpp"
#include "InstalledClientFuzz.hpp"
#include "Support/RunAsync.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace deskmap;

namespace {

const std::filesystem::path& temporaryDirectory() {
    static const auto directory = [] {
        auto path =
            std::filesystem::temp_directory_path() / ("deskmap-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return directory;
}

bool isSummaryRun(const InstalledClientProcessRequest& request) {
    const auto& arguments = request.arguments;
    return !arguments.empty() && (arguments.front() == "exec" || arguments.front() == "--print");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const auto client = (data[0] & 1) != 0 ? InstalledClient::cursor : InstalledClient::codex;
    const auto answer = fuzz::text(data + 1, size - 1);
    auto runner = std::make_shared<fuzz::ScriptedClientRunner>(
        [&](const InstalledClientProcessRequest& request) -> InstalledClientProcessResult {
            if (!isSummaryRun(request)) {
                return {0,
                        client == InstalledClient::codex ? "Logged in using ChatGPT\n"
                                                         : R"({"isAuthenticated":true})",
                        ""};
            }
            if (client == InstalledClient::cursor) {
                return {0, answer, ""};
            }
            const auto& arguments = request.arguments;
            const auto flag =
                std::find(arguments.begin(), arguments.end(), "--output-last-message");
            if (flag == arguments.end() || flag + 1 == arguments.end()) {
                fuzz::violated();
            }
            std::ofstream(*(flag + 1), std::ios::binary) << answer;
            return {0, "", ""};
        });
    InstalledClientSummarizer summarizer(client, fuzz::anywhereLocator(), runner,
                                         temporaryDirectory());
    const Inventory twoSpaces{{
        SpaceInventory{1, "3", "D1", true, {WindowEvidence{5, "Terminal", "make", WindowBounds{}}}},
        SpaceInventory{2, "4", "D1", false, {}},
    }};
    // Validation failures travel wrapped in the core error, run failures bare.
    fuzz::expectOnly<InstalledClientError, DeskmapError>([&] {
        const auto result = test::runAsync(summarizer.summarize(twoSpaces));
        if (result.spaces.size() != 2) {
            fuzz::violated();
        }
    });
    // Every run removes its run directory, whatever the answer was.
    if (!std::filesystem::is_empty(temporaryDirectory())) {
        fuzz::violated();
    }
    return 0;
}
