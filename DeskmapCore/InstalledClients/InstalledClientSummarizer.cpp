#include "DeskmapCore/InstalledClients/InstalledClientSummarizer.hpp"

#include "DeskmapCore/Errors/InstalledClientError.hpp"
#include "DeskmapCore/InstalledClients/ClientProcess.hpp"
#include "DeskmapCore/InstalledClients/InstalledClientVerifier.hpp"
#include "DeskmapCore/InstalledClients/RunDirectory.hpp"
#include "DeskmapCore/Process/FoundationInstalledClientProcessRunner.hpp"
#include "DeskmapCore/Summary/LatinRetry.hpp"
#include "DeskmapCore/Summary/SummaryRequest.hpp"
#include "DeskmapCore/Text/Unicode.hpp"
#include "DeskmapPlatform/Json/JSONField.hpp"
#include "DeskmapPlatform/Runtime/Cancellation.hpp"

#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

namespace deskmap {

using platform::JSONDecodingError;
using platform::JSONField;
using platform::parseJSONDocument;

namespace {

std::filesystem::path schemaFile(const std::filesystem::path& runDirectory) {
    return runDirectory / "schema.json";
}

std::filesystem::path outputFile(const std::filesystem::path& runDirectory) {
    return runDirectory / "output.json";
}

// Written to a temporary name and renamed, so the client never reads half a
// file.
void writeSchema(const std::filesystem::path& runDirectory) {
    try {
        const auto temporary = runDirectory / ".schema.json.partial";
        {
            std::ofstream stream(temporary, std::ios::binary | std::ios::trunc);
            stream << SummaryRequest::schema().dump();
            if (!stream.flush()) {
                throw std::runtime_error("write failed");
            }
        }
        std::filesystem::rename(temporary, schemaFile(runDirectory));
    } catch (const std::exception&) {
        throw InstalledClientError::invalidOutput(InstalledClient::codex,
                                                  "the output schema could not be prepared");
    }
}

// The answer file is the client's output like its pipes, and has their cap.
std::string readCodexAnswer(const std::filesystem::path& runDirectory) {
    constexpr std::size_t limit =
        FoundationInstalledClientProcessRunner::defaultMaximumCapturedOutputBytes;
    std::ifstream stream(outputFile(runDirectory), std::ios::binary);
    std::string contents(limit + 1, '\0');
    std::size_t size = 0;
    if (stream) {
        stream.read(contents.data(), static_cast<std::streamsize>(contents.size()));
        size = static_cast<std::size_t>(stream.gcount());
    }
    if (stream.bad() || size == 0) {
        throw InstalledClientError::invalidOutput(InstalledClient::codex,
                                                  "no final response was produced");
    }
    if (size > limit) {
        throw InstalledClientError::invalidOutput(InstalledClient::codex,
                                                  "the final response was larger than 1 MiB");
    }
    contents.resize(size);
    return Unicode::repairedUTF8(contents);
}

std::string readCursorAnswer(const std::string& standardOutput) {
    try {
        const auto document = parseJSONDocument(standardOutput);
        return JSONField(document).member("result").text();
    } catch (const JSONDecodingError&) {
        throw InstalledClientError::invalidOutput(InstalledClient::cursor,
                                                  "the response wrapper was malformed");
    }
}

struct ClientRun {
    InstalledClient client;
    std::string executable;
    std::filesystem::path runDirectory;
    std::shared_ptr<InstalledClientProcessRunning> runner;
    std::chrono::duration<double> timeout;
    std::string input;
};

// Linux refuses to start a program with any one argument longer than this
// (MAX_ARG_STRLEN, counting the terminating NUL), whatever the total limit.
constexpr std::size_t longestArgumentBytes = 131'072;

void requireArgumentsFit(InstalledClient client, const std::vector<std::string>& arguments) {
    for (const auto& argument : arguments) {
        if (argument.size() + 1 > longestArgumentBytes) {
            throw InstalledClientError::verificationFailed(
                client, "the window list is too long for its command line");
        }
    }
}

// One run of the client with the given instructions; returns its answer text.
asio::awaitable<std::string> ask(std::shared_ptr<const ClientRun> run,
                                 std::string_view instructions) {
    const auto prompt = InstalledClientSummarizer::prompt(run->client, instructions, run->input);
    auto arguments = InstalledClientSummarizer::arguments(run->client, run->runDirectory, prompt);
    requireArgumentsFit(run->client, arguments);
    InstalledClientProcessRequest request{
        run->executable, std::move(arguments), (run->runDirectory / "workspace").string(),
        run->client == InstalledClient::codex ? std::optional<std::string>(prompt) : std::nullopt,
        run->timeout};

    auto running = runClientProcess(run->runner, std::move(request), run->client,
                                    "the client process could not run");
    const auto result = co_await std::move(running);
    if (result.status != 0) {
        throw InstalledClientError::processFailed(run->client, result.status);
    }
    co_return run->client == InstalledClient::codex ? readCodexAnswer(run->runDirectory)
                                                    : readCursorAnswer(result.standardOutput);
}

} // namespace

InstalledClientSummarizer::InstalledClientSummarizer(
    InstalledClient client, InstalledClientExecutableLocator locator,
    std::shared_ptr<InstalledClientProcessRunning> runner, std::filesystem::path temporaryDirectory,
    InstalledClientTimeouts timeouts)
    : client_(client), locator_(std::move(locator)), runner_(std::move(runner)),
      temporaryDirectory_(temporaryDirectory.empty() ? RunDirectory::defaultTemporaryDirectory()
                                                     : std::move(temporaryDirectory)),
      timeouts_(timeouts) {}

std::string InstalledClientSummarizer::prompt(InstalledClient client, std::string_view instructions,
                                              const std::string& input) {
    std::string text(instructions);
    if (client == InstalledClient::cursor) {
        text += jsonOnlySuffix;
    }
    text += promptSeparator;
    text += input;
    return text;
}

std::vector<std::string> InstalledClientSummarizer::arguments(
    InstalledClient client, const std::filesystem::path& runDirectory, const std::string& prompt) {
    const auto workspace = (runDirectory / "workspace").string();
    if (client == InstalledClient::codex) {
        return {"exec",
                "--model",
                std::string(model(client)),
                "--sandbox",
                "read-only",
                "--ephemeral",
                "--ignore-user-config",
                "--skip-git-repo-check",
                "--cd",
                workspace,
                "--output-schema",
                schemaFile(runDirectory).string(),
                "--output-last-message",
                outputFile(runDirectory).string(),
                "--color",
                "never",
                "-c",
                "model_reasoning_effort=\"none\"",
                "-"};
    }
    return {"--print",
            "--mode",
            "ask",
            "--sandbox",
            "enabled",
            "--model",
            std::string(model(client)),
            "--output-format",
            "json",
            "--workspace",
            workspace,
            "--trust",
            prompt};
}

asio::awaitable<SummaryResult> InstalledClientSummarizer::summarize(Inventory inventory) {
    InstalledClientVerifier verifier(locator_, runner_, timeouts_.status);
    auto verifying = verifier.verify(client_);
    co_await std::move(verifying);
    co_await runtime::checkCancellation();

    const auto executable = locator_.locate(client_);
    if (!executable) {
        throw InstalledClientError::executableNotFound(client_);
    }
    std::optional<RunDirectory> runDirectory;
    try {
        runDirectory.emplace(temporaryDirectory_);
    } catch (const std::filesystem::filesystem_error&) {
        throw InstalledClientError::verificationFailed(
            client_, "a temporary workspace could not be created");
    }

    const auto provider = APIProvider::installedClient(client_);
    auto input = SummaryRequest::minimizedInput(inventory, provider);
    if (client_ == InstalledClient::codex) {
        writeSchema(runDirectory->path());
    }
    auto run = std::make_shared<const ClientRun>(ClientRun{
        client_, *executable, runDirectory->path(), runner_, timeouts_.run, std::move(input)});
    std::function<asio::awaitable<std::string>(std::string_view)> askClient =
        [run](std::string_view instructions) { return ask(run, instructions); };
    auto summarizing = summarizeWithLatinRetry(std::move(inventory), std::string(model(client_)),
                                               provider, std::move(askClient));
    co_return co_await std::move(summarizing);
}

} // namespace deskmap
