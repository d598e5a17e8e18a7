// How KWin's desktops and screens become displays and Spaces, what the
// window server makes of messages that are not KWin's or not what the
// script promises, and how desktop entries name apps.
#include "DeskmapPlatform/KWin/DesktopEntryNames.hpp"
#include "DeskmapPlatform/KWin/KWinState.hpp"
#include "DeskmapPlatform/KWin/KWinWindowServer.hpp"
#include "DeskmapPlatform/Text/PeerText.hpp"
#include "Support/ScopedFiles.hpp"
#include "Support/Thrown.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <poll.h>
#include <sstream>

namespace deskmap::platform {
namespace {

using nlohmann::json;
using testing::HasSubstr;
using Spaces = std::vector<std::uint64_t>;

json corpus(const char* name) {
    return json::parse(test::fileText(std::string(DESKMAP_FUZZ_CORPUS) + "/kwin-state/" + name));
}

TEST(KWinMap, DesktopsSharedByAllScreensAreOneDisplayAndAWindowOnSeveralIsListedUnderEach) {
    const auto state = KWin::readState(corpus("shared-desktops.json").dump());
    EXPECT_EQ(state.desktops.at(0).name, "Mail");
    KWin::Numbering desktops;
    KWin::Numbering windows;
    const auto map = KWin::mapState(state, desktops, windows);
    ASSERT_EQ(map.displays.size(), 1u);
    EXPECT_EQ(map.displays[0].identifier, "KWin desktops");
    EXPECT_EQ(map.displays[0].spaces, (Spaces{1, 2, 3}));
    EXPECT_EQ(map.displays[0].current, 2u);
    EXPECT_EQ(map.displays[0].area.size(), 2u) << "it covers both screens";
    EXPECT_EQ(map.windowSpaces.at(1), (Spaces{1}));
    EXPECT_EQ(map.windowSpaces.at(2), (Spaces{1, 2})) << "on two desktops";
    EXPECT_EQ(map.windowSpaces.at(3), (Spaces{1, 2, 3})) << "on all desktops";

    // KDE documents no setting for desktops of each screen's own: screens
    // showing different desktops still share one display, so a switch
    // never renumbers the Spaces.
    const auto perScreen = KWin::mapState(
        KWin::readState(corpus("per-screen-desktops.json").dump()), desktops, windows);
    EXPECT_EQ(perScreen.displays.size(), 1u);

    // Numbers last: a desktop removed before them leaves theirs alone.
    auto fewer = corpus("shared-desktops.json");
    fewer["desktops"].erase(0);
    fewer["windows"].erase(0);
    const auto later = KWin::mapState(KWin::readState(fewer.dump()), desktops, windows);
    EXPECT_EQ(later.displays[0].spaces, (Spaces{2, 3}));
    EXPECT_EQ(later.windowSpaces.at(2), (Spaces{2})) << "the removed desktop is no Space";

    const auto list = KWin::windowList(state, windows, 4331, [](const KWin::Window& window) {
        return "app of " + window.resourceClass;
    });
    EXPECT_EQ(list[0]["kCGWindowOwnerName"], "app of org.example.Mail");
    EXPECT_EQ(list[1]["kCGWindowName"], "notes — עברית \u202Eevil");
    EXPECT_EQ(list[1]["kCGWindowLayer"], 0);
    EXPECT_EQ(list[3]["kCGWindowLayer"], 3) << "this program's own window";
    EXPECT_EQ(list[4]["kCGWindowLayer"], 3) << "not a window people work in";

    // Switching steps one desktop and stops at both ends.
    EXPECT_EQ(KWin::neighbouringDesktop(state, true), state.desktops[2].id);
    EXPECT_EQ(KWin::neighbouringDesktop(state, false), state.desktops[0].id);
    auto last = corpus("shared-desktops.json");
    last["current"] = state.desktops[2].id;
    EXPECT_EQ(KWin::neighbouringDesktop(KWin::readState(last.dump()), true), std::nullopt);
    last["current"] = state.desktops[0].id;
    EXPECT_EQ(KWin::neighbouringDesktop(KWin::readState(last.dump()), false), std::nullopt);
}

TEST(KWinMap, AStateNotAsVersionOnePromisesIsRefusedNamingWhatIsWrong) {
    const auto refused = [](const std::string& text) {
        return test::messageOf<KWin::StateError>([&] { KWin::readState(text); });
    };
    const auto changed = [](const std::function<void(json&)>& change) {
        auto document = corpus("shared-desktops.json");
        change(document);
        return document.dump();
    };
    EXPECT_EQ(refused(changed([](json&) {})), "no failure");
    EXPECT_EQ(refused("[1, 2"), "Deskmap's KWin script sent a malformed state: it is not JSON.");
    EXPECT_THAT(refused(changed([](json& d) { d["version"] = 2; })),
                HasSubstr("the state is of version 2, not 1"));
    EXPECT_THAT(refused(changed([](json& d) { d["windows"][0]["pid"] = 1e300; })),
                HasSubstr("a window has no whole-number \"pid\" in range"));
    EXPECT_THAT(refused(changed([](json& d) { d["windows"][0]["desktops"] = {1}; })),
                HasSubstr("a window has a \"desktops\" that is not ids"));
    EXPECT_THAT(refused(changed([](json& d) { d["desktops"][0]["id"] = std::string(300, 'x'); })),
                HasSubstr("a desktop has an overlong \"id\""));
    EXPECT_THAT(refused(changed([](json& d) { d["screens"] = {7}; })), HasSubstr("\"screens\""));
    EXPECT_THAT(refused(changed([](json& d) { d.erase("pointer"); })),
                HasSubstr("the state has no \"pointer\""));
    EXPECT_THAT(refused(changed([](json& d) { d["windows"][0].erase("normal"); })),
                HasSubstr("a window has no \"normal\""));
    EXPECT_THAT(refused(std::string(100000, '[') + std::string(100000, ']')),
                HasSubstr("the state is not an object"));
    // A script that met something it could not read says so instead.
    EXPECT_THROW(KWin::readState("{\"version\": 1, \"error\": \"TypeError: null\"}"),
                 KWin::ScriptError);
}

// A bus that answers as KWin 5.27 does (KWin is ":1.5") and keeps the
// object the window server offers, so the test can call it.
class KWinBus final : public DBus::Connection {
public:
    struct Shared {
        std::mutex mutex;
        std::condition_variable served;
        std::function<void(const DBus::IncomingCall&)> handler;
        std::vector<std::string> calls;
    };
    explicit KWinBus(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}

    json call(const DBus::MethodCall& call, std::chrono::milliseconds) override {
        std::lock_guard lock(shared_->mutex);
        shared_->calls.push_back(call.member);
        if (call.member == "GetNameOwner") {
            return json::array({":1.5"});
        }
        if (call.member == "GetId") {
            return json::array({"0123abcd"});
        }
        if (call.member == "loadScript") {
            return json::array({0});
        }
        if (call.member == "Introspect") {
            return json::array({"<node><node name=\"0\"/></node>"});
        }
        return call.member == "unloadScript" || call.member == "NameHasOwner" ? json::array({false})
                                                                              : json::array();
    }
    void subscribe(const DBus::SignalMatch&, std::function<void(const DBus::Signal&)>,
                   std::chrono::milliseconds) override {}
    void serve(const std::string&,
               std::function<void(const DBus::IncomingCall&)> handler) override {
        std::lock_guard lock(shared_->mutex);
        shared_->handler = std::move(handler);
        shared_->served.notify_all();
    }
    std::string uniqueName() override { return ":1.9"; }
    void send(const DBus::MethodCall& call) override { this->call(call, {}); }
    void wait(int cancel, std::chrono::milliseconds timeout) override {
        pollfd descriptor{cancel, POLLIN, 0};
        ::poll(&descriptor, 1, static_cast<int>(std::min<std::int64_t>(timeout.count(), 50)));
    }

private:
    std::shared_ptr<Shared> shared_;
};

TEST(KWinWindowServer, OnlyKWinIsHeardAndAMalformedMessageLeavesTheLastGoodStateStanding) {
    const test::TemporaryFolder folder("deskmap-kwin-test");
    auto shared = std::make_shared<KWinBus::Shared>();
    KWinWindowServer::Options options;
    options.connect = [shared] { return std::make_unique<KWinBus>(shared); };
    options.callTimeout = std::chrono::milliseconds(300);
    options.scriptFolder = folder;
    auto server = std::make_unique<KWinWindowServer>(std::move(options));
    std::function<void(const DBus::IncomingCall&)> send;
    {
        std::unique_lock lock(shared->mutex);
        shared->served.wait(lock, [&] { return shared->handler != nullptr; });
        send = shared->handler;
    }
    // The script is loaded under this process's name and run.
    for (int tries = 0; tries < 100; ++tries) {
        {
            std::lock_guard lock(shared->mutex);
            if (std::find(shared->calls.begin(), shared->calls.end(), "run") !=
                shared->calls.end()) {
                break;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const auto script = folder / "0123abcd" / "deskmap-1.9.js"; // a folder for each bus
    ASSERT_TRUE(std::filesystem::exists(script));
    std::ifstream file(script);
    std::string firstLine;
    std::getline(file, firstLine);
    EXPECT_EQ(firstLine, "var deskmapCallback = \":1.9\";");

    EXPECT_THAT(server->screenCaptureAccessAdvice().value_or(""),
                HasSubstr("KWin did not send Deskmap its virtual desktops in time;"));
    const auto message = [](const std::string& sender, json argument) {
        return DBus::IncomingCall{sender, KWin::interfaceName, "State", json::array({argument})};
    };
    const auto good = corpus("shared-desktops.json").dump();
    try {
        send(message(":1.77", good));
        ADD_FAILURE() << "a stranger was heard";
    } catch (const DBus::CallError& error) {
        EXPECT_EQ(error.name(), "org.freedesktop.DBus.Error.AccessDenied");
    }
    EXPECT_FALSE(server->isScreenCaptureAccessGranted()) << "nothing heard from KWin yet";

    send(message(":1.5", good));
    EXPECT_EQ(server->copyManagedDisplaySpaces(1).at(0).at("Spaces").size(), 3u);
    send(message(":1.5", "{\"version\": 1}"));
    send(message(":1.5", 42));
    EXPECT_EQ(server->copyManagedDisplaySpaces(1).at(0).at("Spaces").size(), 3u)
        << "the last good state stands";
    // A script that failed is said, and heard again once it recovers.
    send(message(":1.5", "{\"version\": 1, \"error\": \"TypeError: null\"}"));
    EXPECT_THAT(server->screenCaptureAccessAdvice().value_or(""),
                HasSubstr("Deskmap's KWin script failed (TypeError: null)"));
    send(message(":1.5", good));
    EXPECT_TRUE(server->isScreenCaptureAccessGranted());

    server.reset();
    EXPECT_FALSE(std::filesystem::exists(script)) << "the script goes with the server";
    std::lock_guard lock(shared->mutex);
    EXPECT_EQ(shared->calls.back(), "unloadScript");
}

TEST(KWinDesktopEntries, AnAppIsNamedAsItsEntrySaysAndAWindowCannotPointElsewhere) {
    const test::TemporaryFolder folder("deskmap-entries");
    std::filesystem::create_directories(folder / "applications");
    std::ofstream(folder / "applications/org.kde.dolphin.desktop")
        << "[Desktop Action new]\nName=New Window\n[Desktop Entry]\nName[de]=Dolfijn\n"
           "NameX=no\nName = Dolphin\r\nExec=dolphin\n";
    std::ofstream(folder / "secret.desktop") << "[Desktop Entry]\nName=Outside\n";
    std::ofstream(folder / "applications/long.desktop")
        << "[Desktop Entry]\nName=" << std::string(254, 'a') << "\xC3\xA9\xFF\n";
    KWin::DesktopEntryNames names({folder});
    EXPECT_EQ(names.name("org.kde.dolphin"), "Dolphin");
    EXPECT_EQ(names.name("org.kde.dolphin.desktop"), "Dolphin");
    EXPECT_EQ(names.name("org.example.Missing"), std::nullopt);
    EXPECT_EQ(names.name("long"), std::string(254, 'a')) << "cut between characters";
    for (const auto* hostile : {"../secret", "/etc/passwd", ".hidden", "a/b", ""}) {
        EXPECT_EQ(names.name(hostile), std::nullopt) << hostile;
    }
}

// What the script sends, step by step, run by Node.js against the KWin 6
// object model (KWin 6 is not available to run here).
std::vector<std::pair<std::string, KWin::State>> kwin6Messages(const char* mode) {
    const auto command = std::string("node ") + DESKMAP_KWIN_HARNESS + " " + DESKMAP_KWIN_SCRIPT +
                         " " + DESKMAP_KWIN6_MODEL + " " + mode + " 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string output;
    char buffer[4096];
    while (const auto read = std::fread(buffer, 1, sizeof buffer, pipe.get())) {
        output.append(buffer, read);
    }
    std::vector<std::pair<std::string, KWin::State>> messages;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const auto tab = line.find('\t');
        if (tab == std::string::npos) {
            ADD_FAILURE() << output;
            break;
        }
        messages.emplace_back(line.substr(0, tab), KWin::readState(line.substr(tab + 1)));
    }
    return messages;
}

TEST(KWinScript, TheKWin6BranchSendsEachChangeOfTheDocumentedModelOnce) {
    // Without QTimer each change is sent at once.
    const auto messages = kwin6Messages("shared");
    std::vector<std::string> steps;
    std::map<std::string, KWin::State> last;
    for (const auto& [step, state] : messages) {
        steps.push_back(step);
        last[step] = state;
    }
    steps.erase(std::unique(steps.begin(), steps.end()), steps.end());
    ASSERT_EQ(steps,
              (std::vector<std::string>{"load", "retitle", "typing", "move", "to-screen", "switch",
                                        "open", "rename", "add-desktop", "rename-added", "close"}))
        << "a message for each change, none for a signal that changed nothing";
    const auto& load = last["load"];
    const auto desktop = [](int n) {
        return "0a6b5c1e-1111-4c2d-9e3f-00000000000" + std::to_string(n);
    };
    EXPECT_EQ(load.desktops,
              (std::vector<KWin::Desktop>{
                  {desktop(1), "Mail"}, {desktop(2), "Code"}, {desktop(3), "Desktop 3"}}));
    EXPECT_EQ(load.current, desktop(1));
    ASSERT_EQ(load.screens.size(), 2u);
    EXPECT_EQ(load.screens[1], (KWin::Screen{"HDMI-A-1", {2560, 0, 1920, 1080}, std::nullopt}));
    EXPECT_EQ(load.pointer, (DisplayPoint{100, 201}));
    ASSERT_EQ(load.windows.size(), 3u);
    EXPECT_EQ(load.windows[0], (KWin::Window{"{7c0e1a5e-0000-4000-8000-000000000001}",
                                             "org.kde.kmail2",
                                             "org.kde.kmail2",
                                             "Inbox — Mail",
                                             {desktop(1)},
                                             false,
                                             0,
                                             true,
                                             1201,
                                             {10, 20, 1201, 800}}));
    EXPECT_EQ(load.windows[1].desktops, (std::vector<std::string>{desktop(1), desktop(2)}));
    EXPECT_EQ(load.windows[1].screen, 1);
    EXPECT_TRUE(load.windows[2].onAllDesktops);
    EXPECT_FALSE(load.windows[2].normal) << "a panel";

    EXPECT_EQ(last["retitle"].windows[0].caption, "Re: plans — Mail");
    EXPECT_EQ(last["typing"].windows[1].caption, "draft 10");
    EXPECT_EQ(last["move"].windows[0].desktops, std::vector<std::string>{desktop(3)});
    EXPECT_EQ(last["to-screen"].windows[0].screen, 1);
    EXPECT_EQ(last["switch"].current, desktop(2));
    EXPECT_TRUE(last["open"].windows.back().onAllDesktops);
    EXPECT_EQ(last["rename"].desktops[0].name, "Post");
    EXPECT_EQ(last["add-desktop"].desktops.size(), 4u);
    EXPECT_EQ(last["rename-added"].desktops[3].name, "Extra 2") << "a new desktop is watched too";
    EXPECT_EQ(last["close"].windows.size(), 3u);
}

TEST(KWinScript, ABurstIsOneMessageAnEndlessOneIsStillSentAndEachScreenSaysItsDesktop) {
    // With QTimer: 50 ms after the first change of a burst; with KWin 6.5's
    // per-screen call.
    const auto messages = kwin6Messages("timer,per-screen");
    std::vector<std::string> typing;
    for (const auto& [step, state] : messages) {
        if (step == "typing") {
            typing.push_back(state.windows[1].caption);
        }
        if (step == "switch") {
            EXPECT_EQ(state.screens[0].current, state.current);
            EXPECT_NE(state.screens[0].current, state.screens[1].current);
        }
    }
    EXPECT_EQ(typing, (std::vector<std::string>{"draft 5", "draft 10"}))
        << "retitled every 10 ms: sent every 50 ms while it goes on, and once it stops";
}

// What another program says goes into our sentences as one safe line.
TEST(PeerText, IsOneLineOfAtMost200BytesNeverEndingInsideACharacter) {
    EXPECT_EQ(peerText("no such\nmethod\x1b[31m"), "no such method [31m");
    const auto long_ = std::string(199, 'a') + "\xC3\xA9"; // é across the limit
    EXPECT_EQ(peerText(long_), std::string(199, 'a'));
    const auto fits = std::string(198, 'a') + "\xC3\xA9";
    EXPECT_EQ(peerText(fits), fits);
}

} // namespace
} // namespace deskmap::platform
