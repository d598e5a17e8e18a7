// Every command against real tiling window managers: sway (headless, on
// Wayland) and i3 (on Xvfb), each with two outputs and real terminals.
#include "DeskmapAppSupport/SpaceSwitcher/SwipeGesture.hpp"
#include "DeskmapCore/Collection/MacOSSpaceCollector.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapPlatform/I3Ipc/I3IpcWindowServer.hpp"
#include "Support/ChildProcess.hpp"
#include "Support/Notifications.hpp"
#include "Support/ScopedFiles.hpp"
#include "Support/SpacesOutput.hpp"
#include "Support/Thrown.hpp"
#include "Support/TilingDesktop.hpp"
#include "Support/WatchOutput.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <filesystem>
#include <fstream>

namespace deskmap {
namespace {

using namespace std::chrono_literals;

const std::vector<std::string> isolated{"DESKMAP_DESKTOP",
                                        "SWAYSOCK",
                                        "I3SOCK",
                                        "DISPLAY",
                                        "WAYLAND_DISPLAY",
                                        "OPENAI_ACCESS_TOKEN",
                                        "OPENROUTER_API_KEY",
                                        "DBUS_SESSION_BUS_ADDRESS",
                                        "XDG_RUNTIME_DIR",
                                        "XDG_CONFIG_HOME"};

using test::Space;

template <class Desktop> class TilingDesktopTest : public testing::Test {
protected:
    test::ProcessOutcome deskmap(std::vector<std::string> arguments) const {
        arguments.insert(arguments.end(), {"--desktop", desktop.name()});
        return run(DESKMAP_BINARY, std::move(arguments), desktop.environment());
    }

    // Runs `program` as the window manager's user.
    test::ProcessOutcome run(const std::string& program, std::vector<std::string> arguments,
                             const std::map<std::string, std::string>& environment) const {
        auto command = desktop.asUser(program, std::move(arguments));
        return test::runProcess(command.front(), {command.begin() + 1, command.end()}, environment,
                                isolated);
    }

    std::vector<Space> spaces() const { return test::spacesOf(deskmap({"spaces", "--json"})); }

    std::string window(const std::string& title) const {
        return desktop.terminalApp() + ": " + title;
    }

    std::shared_ptr<platform::I3IpcWindowServer> windowServer() const {
        platform::I3IpcWindowServer::Options options;
        options.locateSocket = [path = desktop.socketPath()] { return path; };
        options.retryDelay = 100ms;
        options.limits.peerUser = desktop.user();
        return std::make_shared<platform::I3IpcWindowServer>(std::move(options));
    }

    Desktop desktop;
};

struct DesktopNames {
    template <class Desktop> static std::string GetName(int) {
        return std::is_same_v<Desktop, test::SwayDesktop> ? "Sway" : "I3";
    }
};
using Desktops = testing::Types<test::SwayDesktop, test::I3Desktop>;
TYPED_TEST_SUITE(TilingDesktopTest, Desktops, DesktopNames);

TYPED_TEST(TilingDesktopTest, EachOutputIsADisplayWithItsWorkspacesInOrder) {
    auto& wm = this->desktop;
    wm.openWindow("eight", "8");
    wm.openWindow("seven", "7");
    wm.openWindow("four", "4");
    wm.openWindow("one", "1");
    wm.openWindow("three", "3");
    const auto outputs = wm.outputs();
    EXPECT_EQ(this->spaces(), (std::vector<Space>{
                                  {outputs[0], false, {this->window("one")}},
                                  {outputs[0], true, {this->window("three")}},
                                  {outputs[0], false, {this->window("four")}},
                                  {outputs[1], true, {this->window("seven")}},
                                  {outputs[1], false, {this->window("eight")}},
                              }));

    // Workspace names show beside the numbers, except those that only repeat them.
    wm.command("rename workspace 4 to mail");
    const auto text = this->deskmap({"spaces"}).out;
    for (const auto* header :
         {"1  Space 1\n", "2  Space 2 · 3 (current)\n", "3  Space 3 · mail\n"}) {
        EXPECT_NE(text.find(header), std::string::npos) << header << text;
    }
}

TYPED_TEST(TilingDesktopTest, FloatingWindowsCountAndTheScratchpadDoesNot) {
    auto& wm = this->desktop;
    wm.openWindow("tiled", "1");
    wm.openWindow("floating", "1");
    wm.command("[title=\"^floating$\"] floating enable");
    wm.openWindow("stashed", "1");
    wm.command("[title=\"^stashed$\"] move scratchpad");
    const auto outputs = wm.outputs();
    EXPECT_EQ(this->spaces(),
              (std::vector<Space>{
                  {outputs[0], true, {this->window("floating"), this->window("tiled")}},
                  {outputs[1], true, {}},
              }));
}

TYPED_TEST(TilingDesktopTest, SwitchMovesTheFocusedOutputOneWorkspaceAtATime) {
    auto& wm = this->desktop;
    for (const auto* workspace : {"1", "2", "3", "4", "7", "8"}) {
        wm.openWindow(std::string("on ") + workspace, workspace);
    }
    wm.command("workspace 7; workspace 1");
    const auto first = wm.outputs()[0];
    const auto second = wm.outputs()[1];

    auto result = this->deskmap({"switch", "3"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Switched to Space 3\n");
    EXPECT_EQ(wm.visibleWorkspace(first), "3") << "two steps right";
    result = this->deskmap({"switch", "2"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(wm.visibleWorkspace(first), "2") << "one step left";

    // Space 6 is workspace 8, on the other output.
    result = this->deskmap({"switch", "6"});
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.err.find("target display"), std::string::npos) << result.err;
    EXPECT_EQ(wm.visibleWorkspace(first), "2");
    EXPECT_EQ(wm.visibleWorkspace(second), "7");
}

TYPED_TEST(TilingDesktopTest, ASwipeNeverWrapsPastEitherEnd) {
    auto& wm = this->desktop;
    wm.openWindow("first", "1");
    wm.openWindow("last", "4");
    const auto server = this->windowServer();
    const auto output = wm.outputs()[0];
    ASSERT_TRUE(SwipeGesture::post(*server, SpaceSwitchDirection::right));
    EXPECT_EQ(wm.visibleWorkspace(output), "4") << "the last stays";
    ASSERT_TRUE(SwipeGesture::post(*server, SpaceSwitchDirection::left));
    EXPECT_EQ(wm.visibleWorkspace(output), "1");
    ASSERT_TRUE(SwipeGesture::post(*server, SpaceSwitchDirection::left));
    EXPECT_EQ(wm.visibleWorkspace(output), "1") << "the first stays";
}

TYPED_TEST(TilingDesktopTest, AWorkspaceChangeIsReportedAtOnce) {
    auto& wm = this->desktop;
    wm.openWindow("one", "1");
    const auto server = this->windowServer();
    test::Notifications notifications;
    server->setActiveSpaceObserver(notifications.observer());
    // The subscription is made on its own thread: wait until it hears.
    for (int attempt = 0; attempt < 50 && notifications.count() == 0; ++attempt) {
        wm.command(attempt % 2 == 0 ? "workspace 2" : "workspace 1");
        std::this_thread::sleep_for(100ms);
    }
    ASSERT_GT(notifications.count(), 0);
    const auto before = notifications.count();
    wm.command("workspace 3");
    EXPECT_TRUE(notifications.waitFor(before + 1));
    wm.command("rename workspace 3 to notes");
    EXPECT_TRUE(notifications.waitFor(before + 2)) << "a rename is heard too";
    server->setActiveSpaceObserver({});
}

TYPED_TEST(TilingDesktopTest, AnEndedWindowManagerIsAClearCollectionFailure) {
    auto& wm = this->desktop;
    wm.openWindow("one", "1");
    MacOSSpaceCollector collector(this->windowServer());
    EXPECT_EQ(collector.collect().spaces.size(), 2u);
    wm.kill();
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_THAT(test::messageOf<DeskmapError>([&] { (void)collector.collect(); }),
                    testing::HasSubstr("window manager"));
    }
    const auto result = this->deskmap({"spaces"});
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.err.find("Could not connect to the window manager"), std::string::npos)
        << result.err;
}

using SwayDesktopTest = TilingDesktopTest<test::SwayDesktop>;

TEST_F(SwayDesktopTest, TheProgramsOwnWindowIsNotTheUsersWork) {
    desktop.openWindow("mine", "1");
    desktop.openWindow("theirs", "1");
    const auto mine = desktop.window("mine");
    ASSERT_TRUE(mine);
    const auto pid = mine->node.at("pid").get<std::int64_t>();
    platform::I3IpcWindowServer::Options options;
    options.locateSocket = [path = desktop.socketPath()] { return path; };
    options.ownProcess = pid;
    options.limits.peerUser = desktop.user();
    const auto inventory =
        MacOSSpaceCollector(std::make_shared<platform::I3IpcWindowServer>(options)).collect();
    ASSERT_EQ(inventory.spaces.size(), 2u);
    ASSERT_EQ(inventory.spaces[0].windows.size(), 1u);
    EXPECT_EQ(inventory.spaces[0].windows[0].title, "theirs");
}

TEST_F(SwayDesktopTest, ItsSocketWinsWithoutADesktopNamed) {
    desktop.openWindow("one", "1");
    const auto result = run(DESKMAP_BINARY, {"spaces"}, desktop.environment());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("foot: one"), std::string::npos) << result.out;
}

TEST_F(SwayDesktopTest, TheAppOpensItsWindowWhereNoTrayIsOffered) {
    const test::TemporaryFolder home("deskmap-app");
    std::filesystem::create_directories(home / "run");
    std::filesystem::permissions(home / "run", std::filesystem::perms::owner_all);
    std::filesystem::create_directories(home / "config/deskmap");
    std::ofstream(home / "config/deskmap/defaults.json") << R"({"firstTimeSetupCompleted": true})";
    auto environment = desktop.environment();
    environment.insert({{"WAYLAND_DISPLAY", desktop.waylandDisplay()},
                        {"QT_QPA_PLATFORM", "wayland"},
                        {"HOME", home.string()},
                        {"XDG_RUNTIME_DIR", (home / "run").string()},
                        {"XDG_CONFIG_HOME", (home / "config").string()},
                        // Qt's Wayland plugin keeps some allocations for
                        // the process lifetime; this project's code is
                        // leak-checked by the test programs themselves.
                        {"ASAN_OPTIONS", "detect_leaks=0:abort_on_error=1"}});
    // Its files belong to the user it runs as, as in a session.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(home)) {
        (void)::chown(entry.path().c_str(), desktop.user(), desktop.user());
    }
    (void)::chown(home.c_str(), desktop.user(), desktop.user());
    const auto command = desktop.asUser(DESKMAP_APP, {"--desktop", "sway"});
    test::ChildProcess app(command.front(), {command.begin() + 1, command.end()}, environment,
                           isolated);
    // The list's window, as sway holds it: floating, since it has a fixed size.
    std::string type;
    for (int attempt = 0; attempt < 200 && type.empty(); ++attempt) {
        std::this_thread::sleep_for(100ms);
        if (const auto list = desktop.window("Deskmap")) {
            type = list->node.value("type", "");
        }
    }
    app.signal(SIGTERM);
    const auto result = app.wait();
    EXPECT_EQ(type, "floating_con") << result.err;
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

using I3DesktopTest = TilingDesktopTest<test::I3Desktop>;

TEST_F(I3DesktopTest, TheRootWindowNamesTheSocketAndItWinsOverEWMH) {
    desktop.openWindow("one", "1");
    const auto result = test::runProcess(DESKMAP_BINARY, {"spaces", "--json"},
                                         {{"DISPLAY", desktop.display()}}, isolated);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const auto document = nlohmann::json::parse(result.out);
    ASSERT_EQ(document.at("spaces").size(), 2u) << "a Space per output, not EWMH's one screen";
    EXPECT_EQ(document["spaces"][0].at("display"), "fake-0");
}

TEST_F(I3DesktopTest, ARestartIsFollowed) {
    desktop.openWindow("one", "1");
    const auto server = windowServer();
    test::Notifications notifications;
    server->setActiveSpaceObserver(notifications.observer());
    MacOSSpaceCollector collector(server);
    ASSERT_EQ(collector.collect().spaces.size(), 2u);
    const auto before = notifications.count();
    // i3 may close the connection before it answers: the reply is not checked.
    (void)test::runProcess("/usr/bin/env", {"i3-msg", "-s", desktop.socketPath(), "restart"});
    EXPECT_TRUE(notifications.waitFor(before + 1)) << "reconnected and told";
    std::optional<Inventory> inventory;
    for (int attempt = 0; attempt < 50 && !inventory; ++attempt) {
        try {
            inventory = collector.collect();
        } catch (const DeskmapError&) {
            std::this_thread::sleep_for(100ms); // still restarting
        }
    }
    ASSERT_TRUE(inventory);
    EXPECT_EQ(inventory->spaces.size(), 2u);
    server->setActiveSpaceObserver({});
}

} // namespace
} // namespace deskmap
