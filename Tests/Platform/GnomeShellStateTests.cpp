// How GNOME's workspaces and monitors become displays and Spaces, and how
// the window server meets an extension that is missing, of another version
// or talking nonsense, over a scripted bus.
#include "DeskmapPlatform/GnomeShell/GnomeShellState.hpp"
#include "DeskmapPlatform/GnomeShell/GnomeShellWindowServer.hpp"
#include "Support/ScopedFiles.hpp"
#include "Support/Thrown.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace deskmap::platform {
namespace {

using nlohmann::json;
using testing::HasSubstr;

constexpr std::uint64_t secondMonitorSpace = (std::uint64_t{1} << 32) + 1;

json twoMonitors() {
    return json::parse(
        test::fileText(std::string(DESKMAP_FUZZ_CORPUS) + "/gnome-shell-state/two-monitors.json"));
}

GnomeShell::State state(const json& document) {
    return GnomeShell::readState(document.dump());
}

TEST(GnomeShellMap, TheSecondMonitorKeepsItsWindowsWhileThePrimarysWorkspacesChange) {
    const auto read = state(twoMonitors());
    const auto map = GnomeShell::mapState(read);
    ASSERT_EQ(map.displays.size(), 2u);
    // The empty workspace at the end is left out.
    EXPECT_EQ(map.displays[0].spaces, (std::vector<std::uint64_t>{1, 2}));
    EXPECT_EQ(map.displays[0].current, 2u);
    EXPECT_EQ(map.displays[1].spaces, (std::vector<std::uint64_t>{secondMonitorSpace}));
    EXPECT_EQ(map.displays[1].current, secondMonitorSpace);
    EXPECT_EQ(map.windowSpaces.at(1), (std::vector<std::uint64_t>{1}));
    EXPECT_EQ(map.windowSpaces.at(2), (std::vector<std::uint64_t>{secondMonitorSpace}));
    EXPECT_EQ(map.windowSpaces.at(3), (std::vector<std::uint64_t>{1, 2})) << "on every workspace";

    // Switching acts on the primary, wherever the pointer is.
    EXPECT_EQ(GnomeShell::switchingPoint(read, map), (DisplayPoint{16, 16}));
    auto elsewhere = twoMonitors();
    elsewhere["pointer"] = {{"x", 1500}, {"y", 300}};
    EXPECT_EQ(GnomeShell::switchingPoint(state(elsewhere), map), (DisplayPoint{640, 400}));

    // No switching past the listed ends.
    EXPECT_EQ(GnomeShell::neighbouringWorkspace(read, map, true), std::nullopt);
    EXPECT_EQ(GnomeShell::neighbouringWorkspace(read, map, false), 1u);

    // The empty workspace at the end is listed once it is the current one.
    auto onTheLast = twoMonitors();
    onTheLast["activeWorkspace"] = 3;
    EXPECT_EQ(GnomeShell::mapState(state(onTheLast)).displays[0].spaces,
              (std::vector<std::uint64_t>{1, 2, 3}));

    const auto windows = GnomeShell::windowList(read, 4331);
    EXPECT_EQ(windows[0]["kCGWindowLayer"], 0);
    EXPECT_EQ(windows[0]["kCGWindowOwnerName"], "Text Editor");
    EXPECT_EQ(windows[1]["kCGWindowLayer"], 3) << "this program's own window";
    EXPECT_EQ(windows[2]["kCGWindowLayer"], 3) << "not a window people work in";
}

TEST(GnomeShellMap, WithWorkspacesOnEveryMonitorTheMonitorsShareOneDisplay) {
    auto document = twoMonitors();
    document["workspacesOnlyOnPrimary"] = false;
    document["dynamicWorkspaces"] = false;
    document["windows"][1]["workspace"] = 3;
    document["windows"][1]["onAllWorkspaces"] = false;
    document["pointer"] = {{"x", 1500}, {"y", 300}};
    const auto read = state(document);
    const auto map = GnomeShell::mapState(read);
    ASSERT_EQ(map.displays.size(), 1u);
    EXPECT_EQ(map.displays[0].spaces, (std::vector<std::uint64_t>{1, 2, 3}));
    EXPECT_EQ(map.displays[0].area.size(), 2u);
    EXPECT_EQ(map.windowSpaces.at(2), (std::vector<std::uint64_t>{3}));
    EXPECT_EQ(GnomeShell::switchingPoint(read, map), (DisplayPoint{1500, 300}));
}

TEST(GnomeShellMap, AStateNotAsVersionOnePromisesIsRefusedNamingWhatIsWrong) {
    const auto refused = [](const json& document) {
        return test::messageOf<GnomeShell::StateError>(
            [&] { GnomeShell::readState(document.dump()); });
    };

    auto floatId = twoMonitors();
    floatId["windows"][0]["id"] = 1.5;
    EXPECT_THAT(refused(floatId), HasSubstr("a window has no whole-number \"id\" in range"));
    auto hugeMonitor = twoMonitors();
    hugeMonitor["monitors"][0]["width"] = 1e12;
    EXPECT_THAT(refused(hugeMonitor), HasSubstr("a monitor has no whole-number \"width\""));
    auto noWindows = twoMonitors();
    noWindows.erase("windows");
    EXPECT_THAT(refused(noWindows), HasSubstr("no list \"windows\""));
    EXPECT_THROW(GnomeShell::readState("{\"version\":1,"), GnomeShell::StateError);
    EXPECT_EQ(refused(twoMonitors()), "no failure");
}

// A bus whose answers the test writes.
class ScriptedBus final : public DBus::Connection {
public:
    std::function<json(const DBus::MethodCall&)> answer;
    json call(const DBus::MethodCall& call, std::chrono::milliseconds) override {
        return answer(call);
    }
    void subscribe(const DBus::SignalMatch&, std::function<void(const DBus::Signal&)>,
                   std::chrono::milliseconds) override {}
    void serve(const std::string&, std::function<void(const DBus::IncomingCall&)>) override {}
    std::string uniqueName() override { return ":1.9"; }
    void send(const DBus::MethodCall& call) override { answer(call); }
    void wait(int, std::chrono::milliseconds) override {}
};

// What reading the map says over a bus where GNOME Shell runs as ":1.5"
// and answers the rest as `answer` does.
std::string failure(const std::function<json(const DBus::MethodCall&)>& answer) {
    GnomeShellWindowServer::Options options;
    options.connect = [answer] {
        auto bus = std::make_unique<ScriptedBus>();
        bus->answer = [answer](const DBus::MethodCall& call) -> json {
            if (call.member == "GetNameOwner") {
                return json::array({":1.5"});
            }
            EXPECT_EQ(call.destination, ":1.5") << "only the Shell itself is asked";
            return answer(call);
        };
        return bus;
    };
    GnomeShellWindowServer server(std::move(options));
    return test::messageOf<WindowServerError>([&] { server.copyManagedDisplaySpaces(1); });
}

TEST(GnomeShellWindowServer, EachWayTheExtensionFailsIsOneSentenceSayingWhatToDo) {
    // An extension of version 1 whose state is `state`.
    const auto extension = [](json state) {
        return [state](const DBus::MethodCall& call) -> json {
            return json::array({call.member == "Get" ? json(1) : state});
        };
    };
    auto newer = twoMonitors();
    newer["version"] = 2;
    EXPECT_EQ(failure(extension(newer.dump())),
              "The Deskmap GNOME Shell extension in use is version 2, but this Deskmap needs "
              "version 1: install the extension that came with this Deskmap, then log out and "
              "back in.");
    EXPECT_THAT(failure(extension("[1, 2")),
                HasSubstr("The Deskmap GNOME Shell extension sent a malformed state: it is not "
                          "JSON."));
    EXPECT_THAT(failure(extension(42)), HasSubstr("the reply is not text"));
    EXPECT_EQ(failure(extension(twoMonitors().dump())), "no failure");

    EXPECT_EQ(failure([](const DBus::MethodCall&) -> json {
                  throw DBus::CallError("org.freedesktop.DBus.Error.NoReply", "no reply");
              }),
              "GNOME Shell did not answer in time.");
    // An older extension without the method, which names its version.
    EXPECT_THAT(failure([](const DBus::MethodCall& call) -> json {
                    if (call.member == "Get") {
                        return json::array({0});
                    }
                    throw DBus::CallError("org.freedesktop.DBus.Error.UnknownMethod", "no");
                }),
                HasSubstr("is version 0, but this Deskmap needs version 1"));

    const auto installedIn = [](json info) {
        return [info](const DBus::MethodCall& call) -> json {
            if (call.member == "GetExtensionInfo") {
                return json::array({info});
            }
            throw DBus::CallError("org.freedesktop.DBus.Error.UnknownObject", "nothing there");
        };
    };
    EXPECT_EQ(failure(installedIn({{"state", 2.0}})),
              "The Deskmap GNOME Shell extension is disabled: enable it with \"gnome-extensions "
              "enable deskmap@quillary.com\".");
    EXPECT_EQ(failure(installedIn({{"state", 3.0}, {"error", "SyntaxError"}})),
              "The Deskmap GNOME Shell extension could not start (SyntaxError): reinstall "
              "Deskmap, then log out and back in.");
    // Not known to the Shell: installed since it started, or not at all.
    const test::TemporaryFolder data("deskmap-data");
    const test::ScopedEnvironment dataHome({{"XDG_DATA_HOME", data.string()}});
    EXPECT_EQ(failure(installedIn(json::object())),
              "The Deskmap GNOME Shell extension is not installed: install Deskmap's package, "
              "which brings it, then log out and back in.");
    const auto folder = data / "gnome-shell/extensions/deskmap@quillary.com";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "metadata.json") << "{}";
    EXPECT_THAT(failure(installedIn(json::object())),
                HasSubstr("is not loaded yet: GNOME loads a newly installed extension at the next "
                          "login"));
}

} // namespace
} // namespace deskmap::platform
