// Every command against a real GNOME Shell (headless, Wayland, two virtual
// monitors) running Deskmap's extension, with foot terminals.
#include "DeskmapAppSupport/SpaceSwitcher/SwipeGesture.hpp"
#include "DeskmapPlatform/DBus/DBusConnection.hpp"
#include "DeskmapPlatform/GnomeShell/GnomeShellWindowServer.hpp"
#include "Support/ChildProcess.hpp"
#include "Support/GnomeShellDesktop.hpp"
#include "Support/Notifications.hpp"
#include "Support/SpacesOutput.hpp"
#include "Support/Thrown.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <csignal>
#include <thread>

namespace deskmap {
namespace {

using namespace std::chrono_literals;

const std::vector<std::string> isolated{
    "DESKMAP_DESKTOP",     "SWAYSOCK",           "I3SOCK",         "DISPLAY",
    "OPENAI_ACCESS_TOKEN", "OPENROUTER_API_KEY", "XDG_CONFIG_HOME"};

// A session-bus connection that counts the calls that read the state.
class CountingConnection final : public platform::DBus::Connection {
public:
    CountingConnection(std::unique_ptr<platform::DBus::Connection> inner,
                       std::shared_ptr<std::atomic<int>> reads)
        : inner_(std::move(inner)), reads_(std::move(reads)) {}
    nlohmann::json call(const platform::DBus::MethodCall& call,
                        std::chrono::milliseconds timeout) override {
        if (call.member == "GetState") {
            ++*reads_;
        }
        return inner_->call(call, timeout);
    }
    void subscribe(const platform::DBus::SignalMatch& match,
                   std::function<void(const platform::DBus::Signal&)> handler,
                   std::chrono::milliseconds timeout) override {
        inner_->subscribe(match, std::move(handler), timeout);
    }
    void serve(const std::string& path,
               std::function<void(const platform::DBus::IncomingCall&)> handler) override {
        inner_->serve(path, std::move(handler));
    }
    std::string uniqueName() override { return inner_->uniqueName(); }
    void send(const platform::DBus::MethodCall& call) override { inner_->send(call); }
    void wait(int cancel, std::chrono::milliseconds timeout) override {
        inner_->wait(cancel, timeout);
    }

private:
    std::unique_ptr<platform::DBus::Connection> inner_;
    std::shared_ptr<std::atomic<int>> reads_;
};

using test::Space;

class GnomeShellTest : public testing::Test {
protected:
    static void SetUpTestSuite() { shared = new test::GnomeShellDesktop(); }
    static void TearDownTestSuite() {
        delete shared;
        shared = nullptr;
    }

    test::ProcessOutcome deskmap(std::vector<std::string> arguments,
                                 const test::GnomeShellDesktop& desktop = *shared) const {
        auto command = desktop.asUser(DESKMAP_BINARY, std::move(arguments));
        return test::runProcess(command.front(), {command.begin() + 1, command.end()},
                                desktop.environment(), isolated);
    }

    std::vector<Space> spaces() const { return test::spacesOf(deskmap({"spaces", "--json"})); }

    static std::shared_ptr<platform::GnomeShellWindowServer>
    windowServer(const test::GnomeShellDesktop& desktop = *shared,
                 std::shared_ptr<std::atomic<int>> reads = std::make_shared<std::atomic<int>>()) {
        platform::GnomeShellWindowServer::Options options;
        options.connect = [address = desktop.busAddress(), reads] {
            return std::make_unique<CountingConnection>(platform::DBus::connectBus(address), reads);
        };
        options.retryDelay = 100ms;
        return std::make_shared<platform::GnomeShellWindowServer>(std::move(options));
    }

    static std::uint32_t activeWorkspace() { return shared->state().at("activeWorkspace"); }
    static std::uint32_t workspaceAt(std::size_t index) {
        return shared->state().at("workspaces").at(index).at("id");
    }
    static void activate(std::uint32_t workspace) {
        shared->run("gdbus", {"call", "--session", "--dest", "com.quillary.deskmap.GnomeShell",
                              "--object-path", "/com/quillary/deskmap/GnomeShell", "--method",
                              "com.quillary.deskmap.GnomeShell.ActivateWorkspace",
                              std::to_string(workspace)});
        test::waitFor([&] { return activeWorkspace() == workspace; }, "the switch");
    }

    static test::GnomeShellDesktop* shared;
};

test::GnomeShellDesktop* GnomeShellTest::shared = nullptr;

// One shell for the map, switching and following, in this order: each
// builds on the windows the one before opened.
TEST_F(GnomeShellTest, TheMapSwitchingAndFollowingMatchWhatTheUserSees) {
    // Titles arrive intact, right-to-left and control characters included
    // (shown isolated, without the override).
    shared->openWindow("org.example.Editor", "notes — עברית \u202Eevil");
    // GNOME adds the next, empty workspace a moment after the window.
    test::waitFor([] { return shared->state().at("workspaces").size() == 2; },
                  "the empty workspace after the first");
    activate(workspaceAt(1));
    shared->openWindow("org.example.Mail", "Inbox");
    const std::vector<Space> expected{
        {"GNOME workspaces", false, {"org.example.Editor: notes — עברית \u202Eevil"}},
        {"GNOME workspaces", true, {"org.example.Mail: Inbox"}},
        // The second monitor keeps its windows while workspaces change.
        {"GNOME monitor 2", true, {}},
    };
    // GNOME keeps an empty third workspace for a new one: not listed.
    test::waitFor([] { return shared->state().at("workspaces").size() == 3; },
                  "the empty workspace at the end");
    EXPECT_EQ(spaces(), expected);

    // A name given in GNOME's settings shows beside the number.
    shared->run("gsettings",
                {"set", "org.gnome.desktop.wm.preferences", "workspace-names", "['Writing']"});
    test::waitFor([] { return shared->state().at("workspaces").at(0).at("name") == "Writing"; },
                  "the workspace name");
    const auto text = deskmap({"spaces"});
    EXPECT_NE(text.out.find("\u2068notes — עברית evil\u2069"), std::string::npos) << text.out;
    EXPECT_EQ(text.out.rfind("1  Space 1 · Writing\n", 0), 0u) << text.out;
    EXPECT_NE(text.out.find("2  Space 2 (current)\n"), std::string::npos)
        << "GNOME's own \"Workspace 2\" only repeats the number";

    // Switching: back, then refused past the first, forwards again.
    auto result = deskmap({"switch", "1"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(activeWorkspace(), workspaceAt(0));
    const auto server = windowServer();
    ASSERT_TRUE(SwipeGesture::post(*server, SpaceSwitchDirection::left));
    EXPECT_EQ(activeWorkspace(), workspaceAt(0)) << "the first stays";
    result = deskmap({"switch", "2"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(activeWorkspace(), workspaceAt(1));
    ASSERT_TRUE(SwipeGesture::post(*server, SpaceSwitchDirection::right));
    EXPECT_EQ(activeWorkspace(), workspaceAt(1)) << "the empty one at the end is no Space";

    // Following: every change is announced, and nothing is read meanwhile.
    auto reads = std::make_shared<std::atomic<int>>();
    const auto watched = windowServer(*shared, reads);
    test::Notifications notifications;
    watched->setActiveSpaceObserver(notifications.observer());
    std::this_thread::sleep_for(300ms); // the watch subscribes
    int seen = notifications.count();
    const auto expectChange = [&](const char* what) {
        EXPECT_TRUE(notifications.waitFor(seen + 1)) << what;
        std::this_thread::sleep_for(200ms); // a burst is one signal
        seen = notifications.count();
    };
    activate(workspaceAt(0));
    expectChange("switching");
    EXPECT_EQ(spaces().at(0).current, true) << "the map follows";
    test::ChildProcess retitled(
        "/usr/bin/env",
        shared->asUser("/usr/bin/foot", {"-a", "org.example.Shell", "-T", "before", "sh", "-c",
                                         "sleep 1.5; printf '\\033]2;after\\007'; sleep 600"}),
        shared->environment());
    expectChange("a window opened");
    expectChange("a window retitled");
    // A slow start may announce the window and its first title apart: the
    // retitle is announced too, but perhaps by a later signal.
    const auto retitledBy = std::chrono::steady_clock::now() + 10s;
    while (spaces().at(0).windows.back() != "org.example.Shell: after" &&
           std::chrono::steady_clock::now() < retitledBy) {
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(spaces().at(0).windows.back(), "org.example.Shell: after");
    seen = notifications.count();
    activate(workspaceAt(2));
    expectChange("switching to the empty workspace");
    shared->openWindow("org.example.New", "on the new workspace");
    expectChange("a window opened");
    test::waitFor([&] { return shared->state().at("workspaces").size() == 4; },
                  "a workspace added");
    EXPECT_EQ(spaces().size(), 4u) << "three workspaces and the monitor";
    retitled.signal(SIGKILL);
    expectChange("a window closed");

    const int readsBefore = *reads;
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(*reads, readsBefore) << "an idle watch reads nothing";
    EXPECT_EQ(notifications.count(), seen) << "and is told nothing";
    watched->setActiveSpaceObserver({});
}

// GNOME has no tray: the extension's top-bar entry stands in for it.
TEST_F(GnomeShellTest, TheTopBarEntryShowsTheListWithTheKeyboardAndItsMenuQuitsTheApp) {
    auto environment = shared->environment();
    environment["QT_QPA_PLATFORM"] = "wayland";
    // Qt's Wayland plugin keeps some allocations for the process lifetime;
    // this project's code is leak-checked by the test programs themselves.
    environment["ASAN_OPTIONS"] = "detect_leaks=0:abort_on_error=1";
    const auto command = shared->asUser(DESKMAP_APP, {"--desktop", "gnome"});
    test::ChildProcess app(command.front(), {command.begin() + 1, command.end()}, environment,
                           isolated);
    const auto bus = platform::DBus::connectBus(shared->busAddress());
    test::waitFor([&] { return platform::DBus::hasOwner(*bus, "com.quillary.deskmap", 5s); },
                  "the app on the bus");
    const auto deskmapWindows = [] {
        std::vector<nlohmann::json> found;
        const auto state = shared->state();
        for (const auto& window : state.at("windows")) {
            if (window.at("appId") == "com.quillary.deskmap") {
                found.push_back(window);
            }
        }
        return found;
    };
    // With the entry there, the app starts as a tray app does: no list yet.
    std::this_thread::sleep_for(500ms);
    for (const auto& window : deskmapWindows()) {
        EXPECT_NE(window.at("title"), "Deskmap") << "the list opened by itself";
    }

    // What a click on the entry does.
    const auto shown = bus->call({"com.quillary.deskmap.GnomeShell",
                                  "/com/quillary/deskmap/GnomeShell",
                                  "com.quillary.deskmap.GnomeShell",
                                  "ShowDeskmap",
                                  {}},
                                 5s);
    EXPECT_EQ(shown, nlohmann::json::array({true}));
    test::waitFor(
        [&] {
            for (const auto& window : deskmapWindows()) {
                if (window.at("title") == "Deskmap" && window.at("focused") == true) {
                    return true;
                }
            }
            return false;
        },
        "the list, focused");
    for (const auto& space : spaces()) {
        for (const auto& window : space.windows) {
            EXPECT_EQ(window.find("Deskmap"), std::string::npos) << "the list is in the map";
        }
    }

    // What the entry's Quit does.
    bus->call(
        {"com.quillary.deskmap", "/com/quillary/deskmap", "com.quillary.deskmap.App", "Quit", {}},
        5s);
    EXPECT_TRUE(app.exitsWithin(6s));
    const auto ended = app.wait();
    EXPECT_EQ(ended.exitCode, 0) << ended.err;
}

TEST(GnomeShellFailure, ADisabledExtensionIsNamedWithTheCommandAndEnabledOnRequest) {
    test::GnomeShellDesktop desktop(test::GnomeShellDesktop::Options{.extensionEnabled = false});
    auto command = desktop.asUser(DESKMAP_BINARY, {"spaces"});
    auto environment = desktop.environment();
    auto result = test::runProcess(command.front(), {command.begin() + 1, command.end()},
                                   environment, isolated);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("The Deskmap GNOME Shell extension is disabled: enable it with "
                              "\"gnome-extensions enable deskmap@quillary.com\""),
              std::string::npos)
        << result.err;

    platform::GnomeShellWindowServer::Options options;
    options.connect = [address = desktop.busAddress()] {
        return platform::DBus::connectBus(address);
    };
    platform::GnomeShellWindowServer server(std::move(options));
    EXPECT_FALSE(server.isScreenCaptureAccessGranted());
    EXPECT_NE(server.screenCaptureAccessAdvice().value_or("").find("gnome-extensions enable"),
              std::string::npos);
    server.requestScreenCaptureAccess();
    EXPECT_TRUE(server.isScreenCaptureAccessGranted());
    EXPECT_EQ(server.screenCaptureAccessAdvice(), std::nullopt);
    EXPECT_EQ(server.copyManagedDisplaySpaces(1).size(), 2u);
}

TEST(GnomeShellFailure, AShellThatGoesIsAClearErrorAndTheWatchRecoversWhenItComesBack) {
    test::GnomeShellDesktop desktop;
    platform::GnomeShellWindowServer::Options options;
    options.connect = [address = desktop.busAddress()] {
        return platform::DBus::connectBus(address);
    };
    options.retryDelay = 100ms;
    platform::GnomeShellWindowServer server(std::move(options));
    test::Notifications notifications;
    server.setActiveSpaceObserver(notifications.observer());
    EXPECT_EQ(server.copyManagedDisplaySpaces(1).size(), 2u);
    std::this_thread::sleep_for(300ms);

    int seen = notifications.count();
    desktop.stopShell();
    EXPECT_TRUE(notifications.waitFor(seen + 1)) << "the extension's leaving is announced";
    EXPECT_EQ(
        test::messageOf<platform::WindowServerError>([&] { server.copyManagedDisplaySpaces(1); }),
        "GNOME Shell is not running in this session, so its workspaces cannot be read.");

    seen = notifications.count();
    desktop.startShell();
    EXPECT_TRUE(notifications.waitFor(seen + 1)) << "the extension's return is announced";
    test::waitFor([&] { return desktop.extensionAnswers(); }, "the extension");
    EXPECT_EQ(server.copyManagedDisplaySpaces(1).size(), 2u);
    server.setActiveSpaceObserver({});
}

} // namespace
} // namespace deskmap
