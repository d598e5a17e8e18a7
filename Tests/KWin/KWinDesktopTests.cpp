// Every command against a real KWin 5.27 (headless, Wayland, two virtual
// screens, three desktops) running Deskmap's KWin script, with GTK windows.
#include "DeskmapAppSupport/SpaceSwitcher/SwipeGesture.hpp"
#include "DeskmapPlatform/DBus/DBusConnection.hpp"
#include "DeskmapPlatform/KWin/KWinWindowServer.hpp"
#include "Support/ChildProcess.hpp"
#include "Support/KWinDesktop.hpp"
#include "Support/Notifications.hpp"
#include "Support/SpacesOutput.hpp"
#include "Support/Thrown.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

namespace deskmap {
namespace {

using namespace std::chrono_literals;

const std::vector<std::string> isolated{
    "DESKMAP_DESKTOP",     "SWAYSOCK",           "I3SOCK",       "DISPLAY",
    "OPENAI_ACCESS_TOKEN", "OPENROUTER_API_KEY", "XDG_DATA_HOME"};

using test::Space;

test::ProcessOutcome deskmap(const test::KWinDesktop& desktop, std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), {"--desktop", "kde"});
    auto command = desktop.asUser(DESKMAP_BINARY, std::move(arguments));
    return test::runProcess(command.front(), {command.begin() + 1, command.end()},
                            desktop.environment(), isolated);
}

std::vector<Space> spaces(const test::KWinDesktop& desktop) {
    return test::spacesOf(deskmap(desktop, {"spaces", "--json"}));
}

std::unique_ptr<platform::KWinWindowServer> windowServer(const test::KWinDesktop& desktop,
                                                         const std::string& folder) {
    platform::KWinWindowServer::Options options;
    options.connect = [address = desktop.busAddress()] {
        return platform::DBus::connectBus(address);
    };
    options.retryDelay = 100ms;
    options.scriptFolder = folder;
    return std::make_unique<platform::KWinWindowServer>(std::move(options));
}

// The scripts' copies that running Deskmaps keep (in a folder for each
// bus), by plugin name.
std::vector<std::string> scriptFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
        if (entry.is_regular_file()) {
            names.push_back(entry.path().stem().string());
        }
    }
    return names;
}

// One KWin for the map, switching and following, in this order: each builds
// on the windows the one before opened.
TEST(KWinDesktopTest, TheMapSwitchingAndFollowingMatchWhatTheUserSees) {
    test::KWinDesktop desktop;
    // An app with a desktop entry is named as the entry names it.
    const auto applications = desktop.home() + "/home/.local/share/applications";
    std::filesystem::create_directories(applications);
    std::ofstream(applications + "/org.example.Mail.desktop")
        << "[Desktop Entry]\nType=Application\nName[de]=Post\nName=Mail\nExec=true\n";
    std::filesystem::permissions(desktop.home() + "/home/.local",
                                 std::filesystem::perms::others_read |
                                     std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add);

    desktop.openWindow("org.example.Mail", "Inbox");
    desktop.openWindow("org.example.Editor", "notes — עברית \u202Eevil");
    desktop.openWindow("org.example.Clock", "clock");
    desktop.script("workspace.clientList().forEach(function (c) {"
                   " if (c.caption.indexOf('notes') === 0) c.desktop = 2;"
                   " if (c.caption === 'clock') c.onAllDesktops = true; });");
    const std::string shared = "KWin desktops"; // one display for every screen
    const std::vector<Space> expected{
        {shared, true, {"Mail: Inbox", "org.example.Clock: clock"}},
        {shared,
         false,
         {"org.example.Clock: clock", "org.example.Editor: notes — עברית \u202Eevil"}},
        {shared, false, {"org.example.Clock: clock"}},
    };
    EXPECT_EQ(spaces(desktop), expected);
    const auto text = deskmap(desktop, {"spaces"});
    EXPECT_NE(text.out.find("\u2068notes — עברית evil\u2069"), std::string::npos) << text.out;
    EXPECT_EQ(text.out.rfind("1  Space 1 · Mail (current)\n", 0), 0u) << "the desktops' names";
    EXPECT_NE(text.out.find("3  Space 3\n"), std::string::npos) << "\"Desktop 3\" is no name";

    // Switching: forwards, refused past the last, back, refused past the first.
    auto result = deskmap(desktop, {"switch", "3"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(desktop.currentDesktop(), 3);
    const auto folder = desktop.home() + "/run/deskmap-kwin-test";
    auto server = windowServer(desktop, folder);
    ASSERT_TRUE(SwipeGesture::post(*server, SpaceSwitchDirection::right));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(desktop.currentDesktop(), 3) << "the last stays";
    result = deskmap(desktop, {"switch", "1"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(desktop.currentDesktop(), 1);
    ASSERT_TRUE(SwipeGesture::post(*server, SpaceSwitchDirection::left));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(desktop.currentDesktop(), 1) << "the first stays";
    ASSERT_TRUE(SwipeGesture::post(*server, SpaceSwitchDirection::right));
    test::waitFor([&] { return desktop.currentDesktop() == 2; }, "one step right");
    ASSERT_TRUE(SwipeGesture::post(*server, SpaceSwitchDirection::right));
    test::waitFor([&] { return desktop.currentDesktop() == 3; },
                  "a second step, sent before the script told of the first");

    // Following: every change is announced without polling.
    test::Notifications notifications;
    server->setActiveSpaceObserver(notifications.observer());
    int seen = notifications.count();
    const auto expectChange = [&](const char* what) {
        EXPECT_TRUE(notifications.waitFor(seen + 1)) << what;
        std::this_thread::sleep_for(300ms); // a burst is one message
        seen = notifications.count();
    };
    result = deskmap(desktop, {"switch", "1"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    expectChange("switching");
    const auto retitled = desktop.openWindow("org.example.Shell", "before", "after");
    expectChange("a window opened");
    expectChange("a window retitled");
    EXPECT_EQ(spaces(desktop).at(0).windows.back(), "org.example.Shell: after");
    desktop.script("workspace.clientList().forEach(function (c) {"
                   " if (c.caption === 'after') c.desktop = 3; });");
    expectChange("a window moved to another desktop");
    EXPECT_THAT(spaces(desktop).at(2).windows, testing::Contains("org.example.Shell: after"));
    ::kill(retitled, SIGKILL);
    expectChange("a window closed");
    EXPECT_EQ(spaces(desktop).at(2).windows.size(), 1u) << "only the clock is left";

    // Desktops added and removed while running.
    desktop.run("gdbus", {"call", "--session", "--dest", "org.kde.KWin", "--object-path",
                          "/VirtualDesktopManager", "--method",
                          "org.kde.KWin.VirtualDesktopManager.createDesktop", "3", "Extra"});
    expectChange("a desktop added");
    EXPECT_EQ(spaces(desktop).size(), 4u);
    result = deskmap(desktop, {"switch", "4"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(desktop.currentDesktop(), 4);
    desktop.script("workspace.removeDesktop(1);");
    expectChange("a desktop removed");
    const auto after = spaces(desktop);
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after.at(0).windows, expected.at(0).windows)
        << "the windows of a removed desktop move to a neighbour, and are listed there";

    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(notifications.count(), seen) << "idle, nothing is announced";
    server->setActiveSpaceObserver({});
    server.reset();
    EXPECT_EQ(scriptFiles(folder), std::vector<std::string>{}) << "every script is unloaded";
}

TEST(KWinDesktopTest, TheAppInPlasmasTrayAndTheCommandLineEachRunAScriptOfTheirOwn) {
    test::KWinDesktop desktop;
    desktop.openWindow("org.example.Mail", "Inbox");
    const auto folder = desktop.home() + "/run/deskmap-kwin";

    // The app on Wayland, its icon in Plasma's tray.
    desktop.startTray();
    auto environment = desktop.environment();
    environment["QT_QPA_PLATFORM"] = "wayland";
    // Qt's Wayland plugin keeps some allocations for the process lifetime.
    environment["ASAN_OPTIONS"] = "detect_leaks=0:abort_on_error=1";
    auto command = desktop.asUser(DESKMAP_APP, {"--desktop", "kde"});
    test::ChildProcess app(command.front(), {command.begin() + 1, command.end()}, environment,
                           isolated);
    test::waitFor([&] { return !desktop.trayRegistrations().empty(); }, "the app's tray icon");
    test::waitFor([&] { return scriptFiles(folder).size() == 1; }, "the app's script");
    const auto appScript = scriptFiles(folder).front();
    EXPECT_TRUE(desktop.scriptLoaded(appScript));

    // Asked to show its list (as a click on the icon does), the app opens
    // it beside the pointer, inside the work area, and closes it when
    // another window takes the focus.
    const auto listFrame = [&] {
        return desktop.script("var p = workspace.cursorPos;"
                              "workspace.clientList().forEach(function (c) {"
                              " if (c.caption === 'Deskmap') say(JSON.stringify({x: c.x, y: c.y, "
                              "w: c.width, h: c.height, px: p.x, py: p.y})); });");
    };
    EXPECT_EQ(listFrame(), "") << "a tray app starts without its list";
    command = desktop.asUser(DESKMAP_APP, {"--show"});
    std::string list;
    // A busy machine may let KWin hand the focus elsewhere, which closes
    // the list as it should: asked again, as a user would click again.
    test::waitFor(
        [&] {
            const auto shown = test::runProcess(
                command.front(), {command.begin() + 1, command.end()}, environment, isolated);
            EXPECT_EQ(shown.exitCode, 0) << shown.err;
            for (int look = 0; look < 25 && list.empty(); ++look) {
                std::this_thread::sleep_for(40ms);
                list = listFrame();
            }
            return !list.empty();
        },
        "the app's list", 60s);
    const auto frame = nlohmann::json::parse(list);
    const int width = frame.at("w");
    const int height = frame.at("h");
    EXPECT_EQ(frame.at("x"), std::max(0, frame.at("px").get<int>() - width / 2)) << list;
    EXPECT_EQ(frame.at("y"), std::min(frame.at("py").get<int>(), 800 - height)) << list;
    desktop.script("workspace.clientList().forEach(function (c) {"
                   " if (c.caption === 'Inbox') workspace.activeClient = c; });");
    test::waitFor([&] { return listFrame().empty(); }, "the list closing");

    // The command line meanwhile: its own script, its own answer, and the
    // app's list is no window of any Space.
    EXPECT_EQ(spaces(desktop).at(0).windows, std::vector<std::string>{"org.example.Mail: Inbox"});
    EXPECT_EQ(scriptFiles(folder), std::vector<std::string>{appScript})
        << "the command line's script went with it";

    // The list, as it looks on KDE (offscreen, for the screenshot).
    environment["QT_QPA_PLATFORM"] = "offscreen";
    const auto screenshot = desktop.home() + "/run/kde-list.png";
    command = desktop.asUser(DESKMAP_APP, {"--desktop", "kde", "--screenshot", screenshot});
    const auto shot = test::runProcess(command.front(), {command.begin() + 1, command.end()},
                                       environment, isolated);
    EXPECT_EQ(shot.exitCode, 0) << shot.err;
    std::filesystem::create_directories(DESKMAP_SCREENSHOT_DIRECTORY);
    std::filesystem::copy_file(screenshot,
                               std::string(DESKMAP_SCREENSHOT_DIRECTORY) + "/kde-list.png",
                               std::filesystem::copy_options::overwrite_existing);

    // Quitting unloads the app's script.
    app.signal(SIGTERM);
    const auto ended = app.wait();
    EXPECT_EQ(ended.exitCode, 0) << ended.err;
    EXPECT_FALSE(desktop.scriptLoaded(appScript));
    EXPECT_EQ(scriptFiles(folder), std::vector<std::string>{});

    // A watch ended as a closed terminal ends it unloads its script; a
    // Deskmap killed leaves its script, and the next one to start unloads it.
    command = desktop.asUser(DESKMAP_BINARY, {"watch", "--desktop", "kde", "--json"});
    for (const int signal : {SIGHUP, SIGKILL}) {
        test::ChildProcess watch(command.front(), {command.begin() + 1, command.end()},
                                 desktop.environment(), isolated);
        test::waitFor([&] { return scriptFiles(folder).size() == 1; }, "the watch's script");
        std::this_thread::sleep_for(500ms); // until it listens for signals
        watch.signal(signal);
        watch.wait();
        if (signal == SIGHUP) {
            EXPECT_EQ(scriptFiles(folder), std::vector<std::string>{});
        }
    }
    const auto watchScript = scriptFiles(folder).front();
    EXPECT_TRUE(desktop.scriptLoaded(watchScript));
    EXPECT_EQ(spaces(desktop).size(), 3u);
    EXPECT_FALSE(desktop.scriptLoaded(watchScript));
    EXPECT_EQ(scriptFiles(folder), std::vector<std::string>{});
}

TEST(KWinDesktopTest, KWinGoingIsAClearErrorAndItsReturnIsFollowed) {
    test::KWinDesktop desktop;
    auto server = windowServer(desktop, desktop.home() + "/run/deskmap-kwin-test");
    test::Notifications notifications;
    server->setActiveSpaceObserver(notifications.observer());
    EXPECT_EQ(server->copyManagedDisplaySpaces(1).at(0).at("Spaces").size(), 3u);

    int seen = notifications.count();
    desktop.stopKWin();
    EXPECT_TRUE(notifications.waitFor(seen + 1)) << "KWin's leaving is announced";
    EXPECT_EQ(
        test::messageOf<platform::WindowServerError>([&] { server->copyManagedDisplaySpaces(1); }),
        "KWin is not running in this session, so its virtual desktops cannot be read; log "
        "in to KDE Plasma, or choose another desktop with --desktop.");
    const auto result = deskmap(desktop, {"spaces"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("KWin is not running"), std::string::npos) << result.err;

    seen = notifications.count();
    desktop.startKWin();
    EXPECT_TRUE(notifications.waitFor(seen + 1)) << "KWin's return is announced";
    test::waitFor(
        [&] {
            try {
                return server->copyManagedDisplaySpaces(1).at(0).at("Spaces").size() == 3;
            } catch (const platform::WindowServerError&) {
                return false;
            }
        },
        "the map after KWin's return");
    server->setActiveSpaceObserver({});
}

} // namespace
} // namespace deskmap
