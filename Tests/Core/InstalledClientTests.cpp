// The verifier and the summarizer driving stand-in client executables as
// real child processes.
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapCore/InstalledClients/InstalledClientSummarizer.hpp"
#include "DeskmapCore/InstalledClients/InstalledClientVerifier.hpp"
#include "DeskmapCore/Process/FoundationInstalledClientProcessRunner.hpp"
#include "DeskmapCore/Summary/SummaryRequest.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"
#include "Support/RunAsync.hpp"
#include "Support/StandInAPIServer.hpp"
#include "Support/StandInClients.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace deskmap {
namespace {

using namespace std::chrono_literals;
using test::StandInClients;
using ClientRun = StandInClients::Run;

Inventory twoSpaces() {
    return Inventory{{
        SpaceInventory{1, "3", "D1", true, {WindowEvidence{5, "Terminal", "make", WindowBounds{}}}},
        SpaceInventory{2, "4", "D1", false, {}},
    }};
}

class InstalledClientTest : public testing::Test {
protected:
    StandInClients clients;
    std::filesystem::path temporary =
        std::filesystem::temp_directory_path() / ("deskmap-tmp-" + std::to_string(::getpid()));

    void SetUp() override { std::filesystem::create_directories(temporary); }
    void TearDown() override { std::filesystem::remove_all(temporary); }

    InstalledClientExecutableLocator locator() const {
        return InstalledClientExecutableLocator({{"PATH", clients.binDirectory().string()}},
                                                "/nonexistent-home");
    }

    std::optional<InstalledClientError> verifyFailure(InstalledClient client,
                                                      std::chrono::duration<double> timeout = 15s) {
        InstalledClientVerifier verifier(
            locator(), std::make_shared<FoundationInstalledClientProcessRunner>(), timeout);
        try {
            test::runAsync(verifier.verify(client));
        } catch (const InstalledClientError& error) {
            return error;
        }
        return std::nullopt;
    }

    InstalledClientSummarizer summarizer(InstalledClient client,
                                         InstalledClientTimeouts timeouts = {}) {
        return InstalledClientSummarizer(client, locator(),
                                         std::make_shared<FoundationInstalledClientProcessRunner>(),
                                         temporary, timeouts);
    }

    // The description of whatever summarize throws.
    std::string summaryFailure(InstalledClient client, InstalledClientTimeouts timeouts = {}) {
        auto subject = summarizer(client, timeouts);
        try {
            test::runAsync(subject.summarize(twoSpaces()));
        } catch (const LocalizedError& error) {
            return *error.errorDescription();
        }
        return "no failure";
    }

    bool temporaryIsEmpty() const { return std::filesystem::is_empty(temporary); }
};

TEST_F(InstalledClientTest, CodexStatusLinesAreJudgedExactly) {
    using Status = StandInClients::Status;
    const std::vector<std::pair<Status, std::optional<InstalledClientError>>> cases{
        {{"Logged in using ChatGPT\n", "", 0, false}, std::nullopt},
        {{"", "  Logged in using ChatGPT  ", 0, false}, std::nullopt},
        {{"Logged in using ChatGPT", "Logged in using ChatGPT", 0, false},
         InstalledClientError::verificationFailed(InstalledClient::codex,
                                                  "the status response was not recognized")},
        {{"Not logged in\n", "", 0, false},
         InstalledClientError::notAuthenticated(InstalledClient::codex)},
        {{"Not logged in\n", "", 1, false},
         InstalledClientError::verificationFailed(InstalledClient::codex,
                                                  "the status command failed")},
        {{"", "", 0, false},
         InstalledClientError::verificationFailed(InstalledClient::codex,
                                                  "the status response was not recognized")},
        {{"Logged in using an API key", "", 0, false},
         InstalledClientError::verificationFailed(InstalledClient::codex,
                                                  "the status response was not recognized")},
    };
    for (const auto& [status, expected] : cases) {
        clients.writeCodex(status, {});
        EXPECT_EQ(verifyFailure(InstalledClient::codex), expected) << status.standardOutput;
    }
}

TEST_F(InstalledClientTest, CursorStatusIsReadFromStandardOutputJSON) {
    using Status = StandInClients::Status;
    const auto malformed = InstalledClientError::verificationFailed(
        InstalledClient::cursor, "the status response was malformed");
    const std::vector<std::pair<Status, std::optional<InstalledClientError>>> cases{
        {StandInClients::cursorSignedIn(), std::nullopt},
        {{R"({"isAuthenticated": false})", "", 0, false},
         InstalledClientError::notAuthenticated(InstalledClient::cursor)},
        {{R"({"email": "a@b.c"})", "", 0, false}, malformed},
        {{R"({"isAuthenticated": "yes"})", "", 0, false}, malformed},
        {{"", R"({"isAuthenticated": true})", 0, false}, malformed},
        // A number beyond a double's range is malformed too, not a crash.
        {{R"({"isAuthenticated": true, "plan": 1e999})", "", 0, false}, malformed},
    };
    for (const auto& [status, expected] : cases) {
        clients.writeCursor(status, {});
        EXPECT_EQ(verifyFailure(InstalledClient::cursor), expected) << status.standardOutput;
    }
}

TEST_F(InstalledClientTest, VerificationReportsMissingAndHungClients) {
    EXPECT_EQ(verifyFailure(InstalledClient::codex),
              InstalledClientError::executableNotFound(InstalledClient::codex));
    clients.writeCodex({"", "", 0, true}, {});
    EXPECT_EQ(verifyFailure(InstalledClient::codex, 300ms),
              InstalledClientError::timedOut(InstalledClient::codex));
}

TEST_F(InstalledClientTest, CodexSummarizesInAPrivateRunDirectory) {
    clients.writeCodex(StandInClients::codexSignedIn(),
                       {ClientRun{test::latinAnswer({1, 2}), "", 0, false}});
    auto codex = summarizer(InstalledClient::codex);
    const auto result = test::runAsync(codex.summarize(twoSpaces()));
    EXPECT_EQ(result.model, "gpt-5.6-luna");
    EXPECT_EQ(result.spaces.at(1).label, "Work 2");

    ASSERT_EQ(clients.summaryRuns(), 1);
    const auto runDirectory = clients.runDirectory(1);
    EXPECT_EQ(std::filesystem::path(runDirectory).parent_path(), temporary);
    EXPECT_EQ(std::filesystem::path(runDirectory).filename().string().rfind("Deskmap-", 0), 0u);
    EXPECT_EQ(clients.runDirectoryMode(1), "700");
    EXPECT_EQ(clients.workingDirectory(1), runDirectory + "/workspace");
    EXPECT_EQ(clients.arguments(1),
              (std::vector<std::string>{
                  "exec", "--model", "gpt-5.6-luna", "--sandbox", "read-only", "--ephemeral",
                  "--ignore-user-config", "--skip-git-repo-check", "--cd",
                  runDirectory + "/workspace", "--output-schema", runDirectory + "/schema.json",
                  "--output-last-message", runDirectory + "/output.json", "--color", "never", "-c",
                  "model_reasoning_effort=\"none\"", "-"}));
    EXPECT_EQ(clients.standardInput(1),
              std::string(SummaryRequest::instructions) + "\n\nInput:\n" +
                  SummaryRequest::minimizedInput(
                      twoSpaces(), APIProvider::installedClient(InstalledClient::codex)));
    EXPECT_TRUE(temporaryIsEmpty());
}

TEST_F(InstalledClientTest, CursorSummarizesWithThePromptAsItsLastArgument) {
    const auto envelope = nlohmann::json{{"type", "result"}, {"result", test::latinAnswer({1, 2})}};
    clients.writeCursor(StandInClients::cursorSignedIn(),
                        {ClientRun{std::nullopt, envelope.dump(), 0, false}});
    auto cursor = summarizer(InstalledClient::cursor);
    EXPECT_EQ(test::runAsync(cursor.summarize(twoSpaces())).model, "gpt-5.6-luna-none");
    const auto arguments = clients.arguments(1);
    ASSERT_EQ(arguments.size(), 13u);
    EXPECT_EQ(arguments[6], "gpt-5.6-luna-none");
    EXPECT_EQ(arguments[10], clients.runDirectory(1) + "/workspace");
    const auto& prompt = arguments[12];
    EXPECT_EQ(prompt.rfind(std::string(SummaryRequest::instructions) +
                               std::string(InstalledClientSummarizer::jsonOnlySuffix) +
                               "\n\nInput:\n",
                           0),
              0u);
    EXPECT_EQ(InstalledClientSummarizer::jsonOnlySuffix.size(), 165u);
    EXPECT_TRUE(prompt.ends_with(SummaryRequest::minimizedInput(
        twoSpaces(), APIProvider::installedClient(InstalledClient::cursor))));
    EXPECT_EQ(clients.standardInput(1), "");
    EXPECT_TRUE(temporaryIsEmpty());
}

TEST_F(InstalledClientTest, ResendsOnceAfterNonLatinWriting) {
    clients.writeCodex(StandInClients::codexSignedIn(),
                       {ClientRun{test::cyrillicAnswer({1, 2}), "", 0, false},
                        ClientRun{test::latinAnswer({1, 2}), "", 0, false}});
    auto codex = summarizer(InstalledClient::codex);
    EXPECT_EQ(test::runAsync(codex.summarize(twoSpaces())).spaces.size(), 2u);
    EXPECT_EQ(clients.summaryRuns(), 2);
    EXPECT_EQ(clients.standardInput(2).rfind(
                  std::string(SummaryRequest::latinRetryInstructions) + "\n\nInput:\n", 0),
              0u);
}

TEST_F(InstalledClientTest, TwoNonLatinAnswersFailAfterTwoRuns) {
    clients.writeCodex(StandInClients::codexSignedIn(),
                       {ClientRun{test::cyrillicAnswer({1, 2}), "", 0, false},
                        ClientRun{test::cyrillicAnswer({1, 2}), "", 0, false},
                        ClientRun{test::latinAnswer({1, 2}), "", 0, false}});
    EXPECT_EQ(
        summaryFailure(InstalledClient::codex),
        "Codex returned an invalid response: labels and summaries must use the Latin alphabet");
    EXPECT_EQ(clients.summaryRuns(), 2);
}

TEST_F(InstalledClientTest, ReportsEveryWayARunCanFail) {
    const std::vector<std::pair<ClientRun, std::string>> codexCases{
        {ClientRun{std::nullopt, "", 0, false},
         "Codex returned an invalid response: no final response was produced"},
        {ClientRun{"", "", 0, false},
         "Codex returned an invalid response: no final response was produced"},
        {ClientRun{"```json\n" + test::latinAnswer({1, 2}) + "\n```", "", 0, false},
         "Codex returned an invalid response: model output did not match the required schema"},
        {ClientRun{test::latinAnswer({1, 2}), "", 2, false},
         "Codex exited with status 2. Check its sign-in state and try again."},
        // Its answer file is output like its pipes, with their cap.
        {ClientRun{std::string((1u << 20) + 1, ' '), "", 0, false},
         "Codex returned an invalid response: the final response was larger than 1 MiB"},
    };
    for (const auto& [run, message] : codexCases) {
        clients.writeCodex(StandInClients::codexSignedIn(), {run});
        EXPECT_EQ(summaryFailure(InstalledClient::codex), message);
        EXPECT_TRUE(temporaryIsEmpty());
    }

    const std::vector<std::pair<std::string, std::string>> cursorCases{
        {R"({"result": {"spaces": []}})",
         "Cursor Agent returned an invalid response: the response wrapper was malformed"},
        {"not json",
         "Cursor Agent returned an invalid response: the response wrapper was malformed"},
        {R"({"result": "{}", "duration_ms": 1e400})",
         "Cursor Agent returned an invalid response: the response wrapper was malformed"},
        {nlohmann::json{{"result", R"({"spaces": [{"index": 1e999}]})"}}.dump(),
         "Cursor Agent returned an invalid response: model output did not match the required "
         "schema"},
    };
    for (const auto& [envelope, message] : cursorCases) {
        clients.writeCursor(StandInClients::cursorSignedIn(),
                            {ClientRun{std::nullopt, envelope, 0, false}});
        EXPECT_EQ(summaryFailure(InstalledClient::cursor), message);
    }

    clients.writeCodex(StandInClients::codexSignedIn(), {ClientRun{std::nullopt, "", 0, true}});
    EXPECT_EQ(summaryFailure(InstalledClient::codex, {15s, 300ms}), "Codex timed out. Try again.");
    EXPECT_TRUE(temporaryIsEmpty());
}

TEST_F(InstalledClientTest, APromptTooLongForOneArgumentIsNamedAsSuch) {
    // The Cursor agent takes the prompt as one argument, which Linux limits
    // to 128 KiB.
    Inventory crowded;
    for (std::int64_t index = 1; index <= 30; ++index) {
        crowded.spaces.push_back(
            SpaceInventory{index, std::to_string(index), "D1", index == 1, {}});
        for (std::uint32_t id = 1; id <= 50; ++id) {
            crowded.spaces.back().windows.push_back(WindowEvidence{
                id, "Terminal", "build log " + std::to_string(id) + std::string(80, '.'), {}});
        }
    }
    clients.writeCursor(StandInClients::cursorSignedIn(), {ClientRun{}});
    auto cursor = summarizer(InstalledClient::cursor);
    try {
        test::runAsync(cursor.summarize(crowded));
        ADD_FAILURE() << "the run should fail";
    } catch (const InstalledClientError& error) {
        EXPECT_EQ(*error.errorDescription(), "Could not verify Cursor Agent: the window list is "
                                             "too long for its command line");
    }
    EXPECT_EQ(clients.summaryRuns(), 0);
    EXPECT_TRUE(temporaryIsEmpty());
}

TEST_F(InstalledClientTest, ARelativeTemporaryDirectoryStillReachesTheClient) {
    // The client starts inside the workspace, so every path it is given must
    // be absolute.
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(temporary.parent_path());
    clients.writeCodex(StandInClients::codexSignedIn(),
                       {ClientRun{test::latinAnswer({1, 2}), "", 0, false}});
    InstalledClientSummarizer codex(InstalledClient::codex, locator(),
                                    std::make_shared<FoundationInstalledClientProcessRunner>(),
                                    temporary.filename());
    std::string model;
    EXPECT_NO_THROW(model = test::runAsync(codex.summarize(twoSpaces())).model);
    std::filesystem::current_path(previous);
    EXPECT_EQ(model, "gpt-5.6-luna");
    EXPECT_TRUE(std::filesystem::path(clients.runDirectory(1)).is_absolute());
    EXPECT_TRUE(temporaryIsEmpty());
}

TEST_F(InstalledClientTest, ASignedOutClientNeverSeesSpaceData) {
    clients.writeCodex({"Not logged in\n", "", 0, false},
                       {ClientRun{test::latinAnswer({1, 2}), "", 0, false}});
    EXPECT_EQ(summaryFailure(InstalledClient::codex),
              "Codex is not signed in. Sign in with its command-line client, then check again.");
    EXPECT_EQ(clients.summaryRuns(), 0);
    EXPECT_TRUE(temporaryIsEmpty());
}

TEST_F(InstalledClientTest, CancellationStopsTheClientAndRemovesTheRunDirectory) {
    clients.writeCodex(StandInClients::codexSignedIn(), {ClientRun{std::nullopt, "", 0, true}});
    auto codex = summarizer(InstalledClient::codex);
    EXPECT_THROW(test::runAsync(codex.summarize(twoSpaces()), 500ms), runtime::CancellationError);
    EXPECT_TRUE(temporaryIsEmpty());
}

} // namespace
} // namespace deskmap
