// `deskmap check-client` and `deskmap summarize --provider codex|cursor` with
// stand-in clients found through PATH.
#include "CLITestSupport.hpp"
#include "Support/ScopedFiles.hpp"
#include "Support/StandInAPIServer.hpp"
#include "Support/StandInClients.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

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

// Both clients are given only what the privacy rules let through: no
// withheld window, identifiers masked.
TEST_F(InstalledClientCommandTest, ThePromptCarriesOnlyWhatThePrivacyRulesLetThrough) {
    const test::TemporaryFolder folder("deskmap-client-privacy");
    std::filesystem::create_directories(folder / "deskmap");
    std::ofstream(folder / "deskmap" / "defaults.json")
        << R"({"excludedApps": ["terminal"], "redactIdentifiers": true})";
    auto scenario = nlohmann::json::parse(std::ifstream(test::scenarios + "shared-space.json"));
    scenario["windows"][2]["kCGWindowName"] = "Order 12345678 for ann@example.com";
    std::ofstream(folder / "scenario.json") << scenario.dump();
    auto withRules = environment();
    withRules["XDG_CONFIG_HOME"] = folder.string();

    const auto summarize = [&](const char* client) {
        const auto run = deskmap(
            {"summarize", "--provider", client, "--desktop", (folder / "scenario.json").string()},
            withRules);
        EXPECT_EQ(run.exitCode, 0) << client << ": " << run.err;
        EXPECT_EQ(clients.summaryRuns(), 1) << client;
    };
    const auto expectOnlyWhatMayBeSent = [](const std::string& prompt) {
        EXPECT_NE(prompt.find("Order [number] for [email]"), std::string::npos) << prompt;
        EXPECT_EQ(prompt.find("Terminal"), std::string::npos) << prompt;
        EXPECT_EQ(prompt.find("12345678"), std::string::npos) << prompt;
    };

    clients.writeCodex(StandInClients::codexSignedIn(),
                       {ClientRun{test::latinAnswer({1, 2, 3}), "", 0, false}});
    summarize("codex");
    expectOnlyWhatMayBeSent(clients.standardInput(1));

    const auto envelope =
        nlohmann::json{{"type", "result"}, {"result", test::latinAnswer({1, 2, 3})}};
    clients.writeCursor(StandInClients::cursorSignedIn(),
                        {ClientRun{std::nullopt, envelope.dump(), 0, false}});
    summarize("cursor");
    expectOnlyWhatMayBeSent(clients.arguments(1).back());
}

// The processes whose /proc/PID/stat field after the name (state first) at
// `field` equals `value`: 1 is the parent, 2 the process group.
std::vector<pid_t> processesWith(int field, pid_t value) {
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stream(entry.path() / "stat");
        std::string text;
        if (!std::getline(stream, text) || text.rfind(')') == std::string::npos) {
            continue;
        }
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string state;
        long numbers[2] = {0, 0};
        fields >> state >> numbers[0] >> numbers[1];
        if (state != "Z" && numbers[field - 1] == value) {
            found.push_back(static_cast<pid_t>(std::stol(entry.path().filename().string())));
        }
    }
    return found;
}

TEST_F(InstalledClientCommandTest, AKilledDeskmapLeavesNoClientProcessBehind) {
    clients.writeCodex(StandInClients::codexSignedIn(), {ClientRun{std::nullopt, "", 0, true}});
    test::ChildProcess summarizing(
        DESKMAP_BINARY,
        {"summarize", "--provider", "codex", "--desktop", test::scenarios + "shared-space.json"},
        environment(), test::isolatedEnvironment);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::vector<pid_t> children;
    while (clients.summaryRuns() == 0 || (children = processesWith(1, summarizing.pid())).empty()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the client never ran";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const pid_t group = children.front(); // the client's group is led by the child
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the grandchild starts
    ASSERT_GE(processesWith(2, group).size(), 2u) << "a client and its grandchild run";

    summarizing.signal(SIGKILL);
    EXPECT_TRUE(summarizing.exitsWithin(std::chrono::seconds(2)));
    const auto ended = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!processesWith(2, group).empty() && std::chrono::steady_clock::now() < ended) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(processesWith(2, group), std::vector<pid_t>());
}

} // namespace
} // namespace deskmap
