// deskmap-app as a process (over stand-in services, offscreen): quitting
// while a keychain call is held, launching again while it quits, and a
// status bar following it over the session bus.
#include "DeskmapPlatform/DBus/DBusConnection.hpp"
#include "Support/ChildProcess.hpp"
#include "Support/PrivateSession.hpp"
#include "Support/ScopedFiles.hpp"
#include "Support/StandInAPIServer.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace deskmap::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool appears(const fs::path& file, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!fs::exists(file)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

class AppLifecycleTest : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(root / "config/deskmap");
        fs::create_directory(root / "run");
        fs::permissions(root / "run", fs::perms::owner_all, fs::perm_options::replace);
        std::ofstream(root / "config/deskmap/defaults.json")
            << R"({"firstTimeSetupCompleted": true})";
    }

    // An app whose keychain saves take `saveDelay`; markers go to `markers`.
    std::unique_ptr<ChildProcess> launch(const std::string& markers, int saveDelayMs,
                                         bool saveAtStart,
                                         std::map<std::string, std::string> extra = {},
                                         const std::string& desktop = "demo") {
        fs::create_directories(root / markers);
        std::map<std::string, std::string> environment{
            {"HOME", root.string()},
            {"XDG_RUNTIME_DIR", (root / "run").string()},
            {"XDG_CONFIG_HOME", (root / "config").string()},
            {"QT_QPA_PLATFORM", "offscreen"},
            {"DESKMAP_TEST_MARKERS", (root / markers).string()},
            {"DESKMAP_TEST_SAVE_DELAY_MS", std::to_string(saveDelayMs)},
            // A pipe the app never fills: its Qt notes are dropped anyway.
            {"ASAN_OPTIONS", "detect_leaks=0:abort_on_error=1"}};
        if (saveAtStart) {
            environment["DESKMAP_TEST_SAVE_AT_START"] = "1";
        }
        environment.merge(extra);
        return std::make_unique<ChildProcess>(
            DESKMAP_APP_HOST, std::vector<std::string>{"--desktop", desktop}, environment,
            std::vector<std::string>{"DISPLAY", "WAYLAND_DISPLAY", "DESKMAP_DESKTOP"});
    }

    const TemporaryFolder root{"deskmap-app"};
};

TEST_F(AppLifecycleTest, QuittingWhileAKeychainSaveIsHeldEndsInTimeAndCleanly) {
    struct Case {
        std::vector<int> signals;
        std::chrono::milliseconds limit;
    };
    // Once: the work is given its deadline (5 s), then the process ends.
    // Twice (as a user presses Ctrl-C again): it ends at once.
    for (const auto& [signals, limit] : {Case{{SIGTERM}, 6000ms}, Case{{SIGHUP, SIGINT}, 2500ms}}) {
        const std::string markers = "markers-" + std::to_string(signals.size());
        auto app = launch(markers, 8000, true);
        ASSERT_TRUE(appears(root / markers / "saving", 30s)) << app->wait().err;
        const auto quitAt = std::chrono::steady_clock::now();
        for (const int number : signals) {
            app->signal(number);
            std::this_thread::sleep_for(100ms);
        }
        EXPECT_TRUE(app->exitsWithin(limit)) << signals.size() << " quit(s)";
        const auto outcome = app->wait();
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_LT(std::chrono::steady_clock::now() - quitAt, limit + 100ms * signals.size());
        EXPECT_EQ(outcome.err, "");
    }
}

TEST_F(AppLifecycleTest, ALaunchWhileTheRunningAppQuitsStartsAnInstanceOfItsOwn) {
    auto quitting = launch("first", 8000, true);
    ASSERT_TRUE(appears(root / "first" / "saving", 30s)) << quitting->wait().err;
    quitting->signal(SIGTERM);
    std::this_thread::sleep_for(200ms); // the signal reaches its event loop
    auto relaunch = launch("second", 0, false);
    ASSERT_TRUE(appears(root / "second" / "running", 30s)) << relaunch->wait().err;
    std::ifstream running(root / "second" / "running");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(running), {}), "dumpable=0")
        << "a process that holds keys writes no core file";
    EXPECT_TRUE(quitting->exitsWithin(6s));
    EXPECT_EQ(quitting->wait().exitCode, 0);
    EXPECT_FALSE(relaunch->exitsWithin(0ms)) << "the new instance runs";

    // And it is the session's instance now: a further launch hands over.
    auto third = launch("third", 0, false);
    EXPECT_TRUE(third->exitsWithin(10s));
    EXPECT_EQ(third->wait().exitCode, 0);
    EXPECT_FALSE(fs::exists(root / "third" / "running"));
    relaunch->signal(SIGTERM);
    EXPECT_TRUE(relaunch->exitsWithin(6s));
    EXPECT_EQ(relaunch->wait().exitCode, 0);
}

// The lines a status bar has been given so far.
std::vector<std::string> barLines(const fs::path& output) {
    std::ifstream in(output);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool lastLineHas(const fs::path& output, const std::string& text) {
    const auto lines = barLines(output);
    return !lines.empty() && lines.back().find(text) != std::string::npos;
}

TEST_F(AppLifecycleTest, AStatusBarFollowsTheRunningAppAndSummarizesOnItsOwnWithoutIt) {
    const auto bus = root / "bus";
    const std::string address = "unix:path=" + bus.string();
    ChildProcess daemon("/usr/bin/dbus-daemon", {"--session", "--nofork", "--address=" + address});
    waitFor([&] { return fs::exists(bus); }, "the session bus");
    const auto connection = platform::DBus::connectBus(address);
    const std::map<std::string, std::string> session{{"DBUS_SESSION_BUS_ADDRESS", address}};
    const std::string desktop = DESKMAP_TEST_SOURCE_DIR "/Support/Scenarios/shared-space.json";
    // Both show one desktop; only the bar has a key, so its own map is
    // summarized and the app's is not.
    auto app = launch("app", 0, false, session, desktop);
    waitFor([&] { return platform::DBus::hasOwner(*connection, "com.quillary.deskmap", 2s); },
            "the app on the bus");
    const std::string appFace = "2 Terminal  |  3 Notes and Safari · Setup required";
    const std::string ownFace = "2 Work 2  |  3 Work 3";

    StandInAPIServer server;
    const auto output = root / "bar.out";
    std::map<std::string, std::string> barEnvironment{
        {"DBUS_SESSION_BUS_ADDRESS", address},
        {"XDG_CONFIG_HOME", (root / "config").string()},
        {"DESKMAP_DESKTOP", desktop},
        {"OPENAI_ACCESS_TOKEN", "sk-test"},
        {"DESKMAP_OPENAI_BASE_URL", server.baseURL()}};
    const std::vector<std::string> unset{"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR",
                                         "OPENROUTER_API_KEY"};
    ChildProcess bar(
        "/bin/sh",
        {"-c", "exec \"$0\" watch --format polybar > \"$1\"", DESKMAP_BINARY, output.string()},
        barEnvironment, unset);
    waitFor([&] { return lastLineHas(output, appFace); }, "the app's face");
    // Each change the app publishes reaches the bar.
    const auto before = barLines(output).size();
    connection->send({"com.quillary.deskmap",
                      "/com/quillary/deskmap",
                      "com.quillary.deskmap.App",
                      "RefreshNow",
                      {}});
    waitFor([&] { return barLines(output).size() >= before + 2 && lastLineHas(output, appFace); },
            "the app's refresh");
    EXPECT_EQ(server.received().size(), 0u) << "no summary of its own while the app runs";

    server.enqueueJSON(responsesBody(latinAnswer({1, 2, 3})));
    app->signal(SIGTERM);
    ASSERT_TRUE(app->exitsWithin(6s));
    waitFor([&] { return lastLineHas(output, ownFace); }, "its own map");
    EXPECT_EQ(server.received().size(), 1u);

    auto relaunch = launch("relaunch", 0, false, session, desktop);
    waitFor([&] { return lastLineHas(output, appFace); }, "the app's face again");
    const auto shown = barLines(output);
    EXPECT_EQ(std::find(shown.begin() + 1, shown.end(), "Deskmap"), shown.end())
        << "no blank face between one map and the next";

    // One look: the app's state once its refresh has ended, and no request.
    const auto once = runProcess(DESKMAP_BINARY, {"watch", "--once", "--format", "polybar"},
                                 barEnvironment, unset);
    EXPECT_EQ(once.exitCode, 0) << once.err;
    EXPECT_EQ(once.out.substr(once.out.rfind('\n', once.out.size() - 2) + 1), appFace + "\n");
    EXPECT_EQ(server.received().size(), 1u);

    // A bar for another desktop keeps its own map.
    barEnvironment["DESKMAP_DESKTOP"] = "demo";
    barEnvironment.erase("OPENAI_ACCESS_TOKEN");
    const auto other = runProcess(DESKMAP_BINARY, {"watch", "--once", "--format", "polybar"},
                                  barEnvironment, unset);
    EXPECT_NE(other.out.find("9 · Ops"), std::string::npos) << other.out;

    bar.signal(SIGTERM);
    const auto ended = bar.wait();
    EXPECT_EQ(ended.exitCode, 130);
    EXPECT_EQ(ended.err, "");
    relaunch->signal(SIGTERM);
    EXPECT_TRUE(relaunch->exitsWithin(6s));
    daemon.signal(SIGTERM);
}

} // namespace
} // namespace deskmap::test
