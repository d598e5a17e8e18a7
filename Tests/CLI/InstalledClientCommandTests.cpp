// `deskmap check-client` and `deskmap summarize --provider codex|cursor` with
// stand-in clients found through PATH.
#include "CLITestSupport.hpp"
#include "Support/StandInAPIServer.hpp"
#include "Support/StandInClients.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>

namespace deskmap {
namespace {

using test::deskmap;
using test::StandInClients;
using ClientRun = StandInClients::Run;

class InstalledClientCommandTest : public testing::Test {
protected:
    StandInClients clients;

    std::map<std::string, std::string> environment() const {
        return {{"PATH", clients.binDirectory().string() + ":/usr/bin:/bin"},
                {"HOME", "/nonexistent-home"}};
    }
};

TEST_F(InstalledClientCommandTest, CheckClientReportsAvailability) {
    clients.writeCodex(StandInClients::codexSignedIn(), {});
    const auto available = deskmap({"check-client", "codex"}, environment());
    EXPECT_EQ(available.exitCode, 0) << available.err;
    EXPECT_EQ(available.out, "Available and signed in\n");

    clients.writeCursor({R"({"isAuthenticated": false})", "", 0, false}, {});
    const auto signedOut = deskmap({"check-client", "cursor"}, environment());
    EXPECT_EQ(signedOut.exitCode, 1);
    EXPECT_EQ(signedOut.err, "Cursor Agent is not signed in. Sign in with its command-line "
                             "client, then check again.\n");

    auto noClients = environment();
    noClients["PATH"] = "/nonexistent";
    const auto missing = deskmap({"check-client", "codex"}, noClients);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "Could not find the Codex executable. Install it and try again.\n");

    EXPECT_EQ(deskmap({"check-client", "gemini"}, environment()).exitCode, 2);
    EXPECT_EQ(deskmap({"check-client"}, environment()).exitCode, 2);
}

TEST_F(InstalledClientCommandTest, SummarizesThroughTheClientWithoutAKey) {
    clients.writeCodex(StandInClients::codexSignedIn(),
                       {ClientRun{test::latinAnswer({1, 2, 3}), "", 0, false}});
    const auto result = deskmap({"summarize", "--provider", "codex", "--json", "--desktop",
                                 test::scenarios + "shared-space.json"},
                                environment());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto document = nlohmann::json::parse(result.out);
    EXPECT_EQ(document["model"], "gpt-5.6-luna");
    EXPECT_EQ(document["spaces"].size(), 3u);
    EXPECT_EQ(clients.summaryRuns(), 1);
}

TEST_F(InstalledClientCommandTest, ClientFailuresPrintTheirDescription) {
    clients.writeCursor(StandInClients::cursorSignedIn(), {ClientRun{std::nullopt, "", 2, false}});
    const auto result = deskmap(
        {"summarize", "--provider", "cursor", "--desktop", test::scenarios + "shared-space.json"},
        environment());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
              "Cursor Agent exited with status 2. Check its sign-in state and try again.\n");
}

} // namespace
} // namespace deskmap
