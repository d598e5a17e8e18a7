#include "DeskmapPlatform/DesktopSelection.hpp"
#include "DeskmapPlatform/Simulated/DemoScenario.hpp"
#include "DeskmapPlatform/Simulated/ScenarioError.hpp"
#include "DeskmapPlatform/Simulated/ScenarioFile.hpp"
#include "DeskmapPlatform/Simulated/SimulatedWindowServer.hpp"
#include "DeskmapPlatform/UnavailableWindowServer.hpp"
#include "Support/ScopedFiles.hpp"
#include "Support/Thrown.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

namespace deskmap::platform {
namespace {

using nlohmann::json;

std::string scenarioFailure(const std::string& contents) {
    const test::TemporaryFolder folder("deskmap-scenario");
    const auto file = folder / "scenario.json";
    std::ofstream(file, std::ios::binary) << contents;
    const auto message = test::messageOf<ScenarioError>([&] { loadScenarioFile(file); });
    const std::string origin = "scenario file " + file.string();
    return message.rfind(origin, 0) == 0 ? message.substr(origin.size()) : message;
}

TEST(SimulatedWindowServer, RejectsScenariosOfTheWrongShape) {
    EXPECT_THROW(SimulatedWindowServer(json::array()), ScenarioError);
    EXPECT_THROW(SimulatedWindowServer(json{{"windowSpaces", json::array()}}), ScenarioError);
    EXPECT_NO_THROW(SimulatedWindowServer(json{{"windowSpaces", nullptr}}));
}

TEST(ScenarioFile, NamesTheFileAndTheProblem) {
    EXPECT_EQ(scenarioFailure("{\"windows\": ["),
              " is not valid JSON: parse error at line 1, column 14: syntax error while parsing "
              "value - unexpected end of input; expected '[', '{', or a literal");
    EXPECT_EQ(scenarioFailure(""), " is not valid JSON: parse error at line 1, column 1: syntax "
                                   "error while parsing value - unexpected end of input; "
                                   "expected '[', '{', or a literal");
    EXPECT_EQ(scenarioFailure("[1, 2]"), " is not a JSON object");
    EXPECT_EQ(scenarioFailure("\"text\""), " is not a JSON object");
    EXPECT_NE(scenarioFailure("{\"t\": \"\xFF\"}").find(" is not valid JSON: "), std::string::npos);
    EXPECT_EQ(scenarioFailure("{\"windows\": []}"), "no failure");
}

TEST(ScenarioFile, MissingFilesAndDirectoriesAreReported) {
    EXPECT_EQ(test::messageOf<ScenarioError>([] { loadScenarioFile("/nonexistent/deskmap.json"); }),
              "scenario file /nonexistent/deskmap.json does not exist");
    EXPECT_THROW(loadScenarioFile(std::filesystem::temp_directory_path()), ScenarioError);
}

TEST(DesktopSelection, OptionWinsOverEnvironmentWhichWinsOverTheSession) {
    int probes = 0;
    const auto noSession = [&] {
        ++probes;
        return DetectedDesktop{};
    };
    const auto running = [](const char* name) {
        return [name] { return DetectedDesktop{DetectedDesktop::Kind::supported, name, {}}; };
    };
    const auto unsupported = [] {
        return DetectedDesktop{DetectedDesktop::Kind::unsupported, {}, "GNOME cannot be read"};
    };
    EXPECT_EQ(chooseDesktop("a.json", "b.json", noSession), "a.json");
    EXPECT_EQ(chooseDesktop(std::nullopt, "b.json", noSession), "b.json");
    EXPECT_EQ(chooseDesktop("", "b.json", unsupported), "b.json");
    EXPECT_EQ(chooseDesktop("demo", std::nullopt, unsupported), "demo");
    EXPECT_EQ(probes, 0) << "a named desktop needs no probe";
    EXPECT_EQ(chooseDesktop(std::nullopt, std::nullopt, running("sway")), "sway");

    // The demo desktop stands in only where no session exists, and says so.
    std::optional<std::string> notice;
    EXPECT_EQ(chooseDesktop(std::nullopt, "", noSession, &notice), "demo");
    EXPECT_EQ(notice, demoFallbackNotice);
    notice.reset();
    EXPECT_EQ(test::messageOf<UnsupportedSessionError>(
                  [&] { chooseDesktop(std::nullopt, std::nullopt, unsupported, &notice); }),
              "GNOME cannot be read");
    EXPECT_EQ(notice, std::nullopt);
}

TEST(DesktopSelection, TwoProgramsShowingOneDesktopOnOneDisplayAgreeOnItsKey) {
    const auto key = [](std::optional<std::string> requested,
                        std::map<std::string, std::optional<std::string>> environment) {
        environment.try_emplace("DESKMAP_DESKTOP", std::nullopt);
        environment.try_emplace("WAYLAND_DISPLAY", std::nullopt);
        environment.try_emplace("DISPLAY", std::nullopt);
        const test::ScopedEnvironment scoped(environment);
        return platform::sessionDesktopKey(requested);
    };
    EXPECT_EQ(key(std::nullopt, {{"DESKMAP_DESKTOP", "demo"}}), key("demo", {}));
    EXPECT_EQ(key("demo", {{"DISPLAY", ":0"}}), key("demo", {{"DISPLAY", ":0.0"}}));
    EXPECT_EQ(key("demo", {{"WAYLAND_DISPLAY", "wayland-1"}}),
              key("demo", {{"WAYLAND_DISPLAY", "/run/user/1000/wayland-1"}}));
    EXPECT_EQ(key("/tmp/../tmp/map.json", {}), key("/tmp/map.json", {}));

    EXPECT_NE(key("demo", {{"DISPLAY", ":0"}}), key("demo", {{"DISPLAY", ":1"}}));
    EXPECT_NE(key("demo", {}), key("/tmp/map.json", {}));
}

TEST(DesktopSelection, DetectionNeverPassesAPartialOrMadeUpMapOffAsTheSession) {
    using Kind = DetectedDesktop::Kind;
    const auto detect = [](std::optional<std::string> wayland, std::optional<std::string> x11,
                           bool sway, bool i3, bool ewmh) {
        return detectDesktop(SessionProbe{wayland, x11, std::string("GNOME"), sway, i3, ewmh});
    };
    EXPECT_EQ(detect(std::nullopt, std::nullopt, false, false, false).kind, Kind::noSession);
    EXPECT_EQ(detect("wayland-1", ":0", true, false, true).name, "sway");
    EXPECT_EQ(detect(std::nullopt, ":0", false, true, true).name, "i3");
    EXPECT_EQ(detect(std::nullopt, ":0", false, false, true).name, "x11");
    // A Wayland session other than sway: XWayland's EWMH window manager sees
    // only the X11 windows.
    const auto wayland = detect("wayland-0", ":0", false, false, true);
    EXPECT_EQ(wayland.kind, Kind::unsupported);
    EXPECT_NE(wayland.description.find("Wayland session (GNOME)"), std::string::npos)
        << wayland.description;
    const auto bareX = detect(std::nullopt, ":3", false, false, false);
    EXPECT_EQ(bareX.kind, Kind::unsupported);
    EXPECT_NE(bareX.description.find("The X display :3 has no EWMH window manager"),
              std::string::npos)
        << bareX.description;

    // GNOME where the session names it and its Shell runs, even on X11 or
    // with XWayland's EWMH; a session that only borrows the name is not.
    const auto gnome = [](std::optional<std::string> waylandDisplay,
                          std::optional<std::string> current, bool shellRunning) {
        SessionProbe probe{std::move(waylandDisplay), ":0", std::move(current), false, false, true};
        probe.gnomeShellRunning = shellRunning;
        return detectDesktop(probe);
    };
    EXPECT_EQ(gnome("wayland-0", "GNOME", true).name, "gnome");
    EXPECT_EQ(gnome(std::nullopt, "ubuntu:GNOME", true).name, "gnome");
    EXPECT_EQ(gnome(std::nullopt, "Budgie:GNOME", false).name, "x11");
    EXPECT_EQ(gnome("wayland-0", "GNOME-Flashback:Unity", true).kind, Kind::unsupported);

    // KDE likewise, where KWin runs; before EWMH (XWayland again).
    const auto kde = [](std::optional<std::string> current, bool kwinRunning) {
        SessionProbe probe{"wayland-0", ":0", std::move(current), false, false, true};
        probe.kwinRunning = kwinRunning;
        return detectDesktop(probe);
    };
    EXPECT_EQ(kde("KDE", true).name, "kde");
    EXPECT_EQ(kde("kde", true).name, "kde");
    EXPECT_EQ(kde("KDE", false).kind, Kind::unsupported);
    EXPECT_EQ(kde("LXQt", true).kind, Kind::unsupported) << "KWin under another desktop's name";
}

TEST(DesktopSelection, ASessionThatCannotBeReadSaysWhyUntilItCanBe) {
    int attempts = 0;
    bool ready = false;
    UnavailableWindowServer unavailable(
        "The X display :3 has no EWMH window manager.",
        [&] {
            ++attempts;
            return ready ? openDesktop("demo") : nullptr;
        },
        std::chrono::milliseconds(0));
    unavailable.setActiveSpaceObserver([] {});
    EXPECT_EQ(test::messageOf<WindowServerError>([&] { unavailable.copyManagedDisplaySpaces(1); }),
              "The X display :3 has no EWMH window manager.");
    EXPECT_TRUE(unavailable.isScreenCaptureAccessGranted()) << "no permission is missing";
    // The window manager came up: from now on it answers.
    ready = true;
    EXPECT_TRUE(unavailable.copyManagedDisplaySpaces(1).is_array());
    const int tries = attempts;
    EXPECT_TRUE(unavailable.copyWindowListInfo(0, 0).is_array());
    EXPECT_EQ(attempts, tries) << "asked only until it answered";
}

using namespace std::chrono_literals;

json switchingScenario() {
    return json{{"managedDisplaySpaces",
                 {{{"Display Identifier", "AAAA"},
                   {"Current Space", {{"ManagedSpaceID", 2}}},
                   {"Spaces", {{{"ManagedSpaceID", 1}}, {{"ManagedSpaceID", 2}}}}},
                  {{"Display Identifier", "BBBB"},
                   {"Current Space", {{"ManagedSpaceID", 7}}},
                   {"Spaces", {{{"ManagedSpaceID", 7}}, {{"ManagedSpaceID", 8}}}}}}},
                {"gestureDelayMs", 10}};
}

void swipe(WindowServer& server, double motion, std::vector<std::int64_t> phases = {1, 2, 4}) {
    for (const auto phase : phases) {
        auto event = server.createEvent();
        ASSERT_TRUE(event);
        event->integerFields[132] = phase;
        event->doubleFields[129] = motion;
        server.postEvent(1, *event);
    }
}

json currentOf(WindowServer& server, std::size_t display) {
    return server.copyManagedDisplaySpaces(1)[display]["Current Space"]["ManagedSpaceID"];
}

TEST(SimulatedGestures, TellsTheObserverWhenTheCurrentSpaceChanges) {
    SimulatedWindowServer server(switchingScenario());
    std::mutex mutex;
    std::condition_variable told;
    int changes = 0;
    json seen;
    server.setActiveSpaceObserver([&] {
        const auto current = currentOf(server, 0);
        std::lock_guard lock(mutex);
        ++changes;
        seen = current;
        told.notify_all();
    });
    swipe(server, -2000);
    std::unique_lock lock(mutex);
    ASSERT_TRUE(told.wait_for(lock, 5s, [&] { return changes == 1; }));
    EXPECT_EQ(seen, 1);
    lock.unlock();
    swipe(server, -2000); // at the first Space already: nothing changes
    std::this_thread::sleep_for(50ms);
    lock.lock();
    EXPECT_EQ(changes, 1);
}

TEST(SimulatedGestures, AChangeSeenFirstByAReaderIsStillAnnounced) {
    SimulatedWindowServer server(switchingScenario());
    std::mutex mutex;
    std::condition_variable told;
    int changes = 0;
    bool released = false;
    server.setActiveSpaceObserver([&] {
        std::unique_lock lock(mutex);
        ++changes;
        told.notify_all();
        // The first announcement takes its time, as a busy observer does.
        told.wait(lock, [&] { return released || changes > 1; });
    });
    swipe(server, -2000); // to Space 1
    std::unique_lock lock(mutex);
    ASSERT_TRUE(told.wait_for(lock, 5s, [&] { return changes == 1; }));
    lock.unlock();
    // The second swipe falls due while the observer is busy, and a reader
    // sees it first.
    swipe(server, 2000); // back to Space 2
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(currentOf(server, 0), 2);
    lock.lock();
    released = true;
    told.notify_all();
    EXPECT_TRUE(told.wait_for(lock, 5s, [&] { return changes == 2; }));
}

TEST(SimulatedGestures, PermissionsAnswerTheTrustCheck) {
    SimulatedWindowServer granted(switchingScenario());
    EXPECT_TRUE(granted.isAccessibilityTrusted());

    auto scenario = switchingScenario();
    scenario["permissions"] = {{"accessibility", false}};
    SimulatedWindowServer denied(scenario);
    denied.requestAccessibilityTrust();
    EXPECT_FALSE(denied.isAccessibilityTrusted());

    scenario["permissions"]["grantOnRequest"] = true;
    SimulatedWindowServer granting(scenario);
    EXPECT_FALSE(granting.isAccessibilityTrusted());
    granting.requestAccessibilityTrust();
    EXPECT_TRUE(granting.isAccessibilityTrusted());
}

} // namespace
} // namespace deskmap::platform
