// Every command against a real X server, window manager and clients.
#include "DeskmapCore/Collection/MacOSSpaceCollector.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapPlatform/X11/X11WindowServer.hpp"
#include "Support/ChildProcess.hpp"
#include "Support/StandInAPIServer.hpp"
#include "Support/Thrown.hpp"
#include "Support/WatchOutput.hpp"
#include "Support/X11Desktop.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <thread>

namespace deskmap {
namespace {

using namespace std::chrono_literals;

const std::vector<std::string> isolated{"DESKMAP_DESKTOP",    "OPENAI_ACCESS_TOKEN",
                                        "OPENROUTER_API_KEY", "DBUS_SESSION_BUS_ADDRESS",
                                        "XDG_RUNTIME_DIR",    "XDG_CONFIG_HOME"};

class X11DesktopTest : public testing::Test {
protected:
    test::ProcessOutcome deskmap(const std::vector<std::string>& arguments) const {
        return test::runProcess(DESKMAP_BINARY, arguments, desktop.environment(), isolated);
    }

    // The windows of each Space of `deskmap spaces --json`, as "app: title".
    std::vector<std::vector<std::string>> spaces(int* current = nullptr) const {
        const auto result = deskmap({"spaces", "--json", "--desktop", "x11"});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        const auto document = nlohmann::json::parse(result.out);
        std::vector<std::vector<std::string>> windows;
        for (const auto& space : document.at("spaces")) {
            windows.emplace_back();
            for (const auto& window : space.at("windows")) {
                windows.back().push_back(window.at("app").get<std::string>() + ": " +
                                         window.value("title", ""));
            }
            if (current && space.at("isCurrent").get<bool>()) {
                *current = space.at("index").get<int>();
            }
        }
        return windows;
    }

    test::X11Desktop desktop;
};

using Windows = std::vector<std::vector<std::string>>;

TEST_F(X11DesktopTest, SpacesListsTheWindowsOfEachWorkspace) {
    desktop.openWindow("build logs", "Builder", 0);
    desktop.openWindow("release notes", "Writer", 2);
    desktop.openWindow("api docs", "Reader", 2);

    int current = 0;
    EXPECT_EQ(
        spaces(&current),
        (Windows{{"Builder: build logs"}, {}, {"Reader: api docs", "Writer: release notes"}, {}}));
    EXPECT_EQ(current, 1);

    // A pager names the workspaces: the list shows them beside their numbers.
    desktop.run("xprop",
                {"-root", "-f", "_NET_DESKTOP_NAMES", "8u", "-set", "_NET_DESKTOP_NAMES", "Build"});
    const auto text = deskmap({"spaces"});
    EXPECT_EQ(text.out.rfind("1  Space 1 · Build (current)\n   Builder: build logs\n", 0), 0u)
        << text.out;
    EXPECT_EQ(deskmap({"spaces"}).out, text.out) << "X11 is the default where it is reachable";
}

TEST_F(X11DesktopTest, TitlesArriveIntactInEveryEncoding) {
    const auto modern = desktop.openWindow("plain", "Modern", 1);
    desktop.run("xprop", {"-id", modern, "-f", "_NET_WM_NAME", "8u", "-set", "_NET_WM_NAME",
                          "Überblick – Δ 🚀 \"quoted\" \x1b[31m"});
    const auto legacy = desktop.openWindow("legacy", "Legacy", 1);
    desktop.run("xprop", {"-id", legacy, "-f", "WM_NAME", "8s", "-set", "WM_NAME", "Caf\xe9"});

    const auto windows = spaces();
    EXPECT_EQ(windows.at(1),
              (std::vector<std::string>{"Legacy: Caf\xC3\xA9",
                                        "Modern: Überblick – Δ 🚀 \"quoted\" \x1b[31m"}));
    const auto text = deskmap({"spaces"}).out;
    EXPECT_EQ(text.find('\x1b'), std::string::npos) << "terminal output is sanitized";
}

TEST_F(X11DesktopTest, AStickyWindowIsOnEverySpace) {
    const auto window = desktop.openWindow("everywhere", "Sticky", 0);
    desktop.run("xprop", {"-id", window, "-f", "_NET_WM_DESKTOP", "32c", "-set", "_NET_WM_DESKTOP",
                          "0xFFFFFFFF"});
    EXPECT_EQ(spaces(), (Windows{{"Sticky: everywhere"},
                                 {"Sticky: everywhere"},
                                 {"Sticky: everywhere"},
                                 {"Sticky: everywhere"}}));
}

TEST_F(X11DesktopTest, AuxiliaryInvisibleAndTheProgramsOwnWindowsAreLeftOut) {
    desktop.openWindow("kept", "Kept", 0);
    const auto skipped = desktop.openWindow("not in the task bar", "Skipped", 0);
    desktop.run("wmctrl", {"-i", "-r", skipped, "-b", "add,skip_taskbar"});
    const auto invisible = desktop.openWindow("fully transparent", "Invisible", 0);
    desktop.run("xprop", {"-id", invisible, "-f", "_NET_WM_WINDOW_OPACITY", "32c", "-set",
                          "_NET_WM_WINDOW_OPACITY", "0"});
    EXPECT_EQ(spaces(), (Windows{{"Kept: kept"}, {}, {}, {}}));

    // The list's own window, when it is a window, is not the user's work.
    const auto own = desktop.openWindow("Deskmap", "deskmap-app", 0);
    desktop.run("xprop", {"-id", own, "-f", "_NET_WM_PID", "32c", "-set", "_NET_WM_PID", "4242"});
    platform::X11WindowServer::Hooks hooks;
    hooks.ownProcess = 4242;
    const auto inventory =
        MacOSSpaceCollector(std::make_shared<platform::X11WindowServer>(desktop.display(), hooks))
            .collect();
    ASSERT_EQ(inventory.spaces.at(0).windows.size(), 1u);
    EXPECT_EQ(inventory.spaces[0].windows[0].app, "Kept");
}

TEST_F(X11DesktopTest, SwitchMovesTheRealWorkspaceBothWays) {
    auto result = deskmap({"switch", "3", "--desktop", "x11"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Switched to Space 3\n");
    EXPECT_EQ(desktop.currentWorkspace(), 2) << "two steps";

    result = deskmap({"switch", "2", "--desktop", "x11"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(desktop.currentWorkspace(), 1);

    result = deskmap({"switch", "2", "--desktop", "x11"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(desktop.currentWorkspace(), 1);
}

TEST_F(X11DesktopTest, WatchFollowsAWorkspaceChangeMadeElsewhere) {
    desktop.openWindow("build logs", "Builder", 0);
    test::ChildProcess watching(DESKMAP_BINARY, {"watch", "--json", "--desktop", "x11"},
                                desktop.environment(), isolated);
    // Generous pauses: the first refresh must be done before the switch, also
    // in sanitizer builds.
    std::this_thread::sleep_for(2500ms);
    desktop.run("wmctrl", {"-s", "3"});
    std::this_thread::sleep_for(2000ms);
    watching.signal(SIGINT);
    const auto result = watching.wait();
    EXPECT_EQ(result.exitCode, 130) << result.err;

    const auto currents = test::currentSpaceIndexes(result.out);
    ASSERT_FALSE(currents.empty()) << result.out;
    EXPECT_EQ(currents.front(), 1);
    EXPECT_EQ(currents.back(), 4) << result.out;
}

TEST_F(X11DesktopTest, CtrlCEndsAWatchPromptlyWhileASummaryIsPending) {
    desktop.openWindow("build logs", "Builder", 0);
    test::StandInAPIServer server;
    server.enqueueJSON(test::responsesBody(test::latinAnswer({1, 2, 3, 4})));
    server.enqueue({200, "", true}); // the next summary never comes
    auto environment = desktop.environment();
    environment["OPENAI_ACCESS_TOKEN"] = "sk-test";
    environment["DESKMAP_OPENAI_BASE_URL"] = server.baseURL();
    test::ChildProcess watching(DESKMAP_BINARY,
                                {"watch", "--json", "--provider", "openai", "--desktop", "x11"},
                                environment, isolated);
    ASSERT_TRUE(server.waitForRequests(1));
    std::this_thread::sleep_for(1000ms);
    // A new workspace and a switch to it: the notification finds the Spaces
    // changed and starts a refresh whose summary hangs.
    desktop.run("wmctrl", {"-n", "5"});
    desktop.run("wmctrl", {"-s", "4"});
    ASSERT_TRUE(server.waitForRequests(2));

    const auto interrupted = std::chrono::steady_clock::now();
    watching.signal(SIGINT);
    const auto result = watching.wait();
    EXPECT_EQ(result.exitCode, 130) << result.err;
    EXPECT_LT(std::chrono::steady_clock::now() - interrupted, 10s)
        << "the pending summary is cancelled, not waited for";
}

TEST_F(X11DesktopTest, AWindowClosedDuringCollectionIsSkipped) {
    desktop.openWindow("stays", "Stayer", 0);
    const auto leaving = desktop.openWindow("leaves", "Leaver", 0);
    platform::X11WindowServer::Hooks hooks;
    hooks.afterClientList = [&] { desktop.closeWindow(leaving); };
    auto server = std::make_shared<platform::X11WindowServer>(desktop.display(), hooks);
    const auto inventory = MacOSSpaceCollector(server).collect();
    ASSERT_EQ(inventory.spaces.size(), 4u);
    ASSERT_EQ(inventory.spaces[0].windows.size(), 1u);
    EXPECT_EQ(inventory.spaces[0].windows[0].app, "Stayer");
}

TEST_F(X11DesktopTest, ALostConnectionIsAClearCollectionFailure) {
    auto server = std::make_shared<platform::X11WindowServer>(desktop.display());
    MacOSSpaceCollector collector(server);
    EXPECT_EQ(collector.collect().spaces.size(), 4u);
    desktop.stopServer();
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_THAT(test::messageOf<DeskmapError>([&] { (void)collector.collect(); }),
                    testing::HasSubstr("X server"));
    }
}

} // namespace
} // namespace deskmap
