#include "DeskmapAppSupport/SpaceSwitcher/SwipeGesture.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>

namespace deskmap {
namespace {

// Records posted events; displays and events are scripted.
class RecordingWindowServer final : public platform::WindowServer {
public:
    std::vector<platform::InputEvent> posted;
    std::vector<std::int32_t> taps;
    int eventsLeft = 100; // createEvent fails once these are used up
    std::vector<std::uint32_t> displaysUnderCursor{2};
    std::uint32_t mainDisplay = 2;

    std::int32_t mainConnectionID() override { return 1; }
    nlohmann::json copyManagedDisplaySpaces(std::int32_t) override { return nullptr; }
    nlohmann::json copySpacesForWindows(std::int32_t, std::int32_t,
                                        const nlohmann::json&) override {
        return nullptr;
    }
    nlohmann::json copyWindowListInfo(std::uint32_t, std::uint32_t) override { return nullptr; }
    std::optional<platform::InputEvent> createEvent() override {
        if (eventsLeft-- <= 0) {
            return std::nullopt;
        }
        return platform::InputEvent{{15000, 5000}, {}, {}};
    }
    std::vector<std::uint32_t> displaysWithPoint(platform::DisplayPoint, std::uint32_t) override {
        return displaysUnderCursor;
    }
    std::optional<std::string> displayUUID(std::uint32_t display) override {
        return display == 2 ? std::optional<std::string>("37D8832A-2D66") : std::nullopt;
    }
    std::uint32_t mainDisplayID() override { return mainDisplay; }
    void postEvent(std::int32_t tap, const platform::InputEvent& event) override {
        taps.push_back(tap);
        posted.push_back(event);
    }
    bool isAccessibilityTrusted() override { return true; }
    void requestAccessibilityTrust() override {}
    bool isScreenCaptureAccessGranted() override { return true; }
    void requestScreenCaptureAccess() override {}
    void setActiveSpaceObserver(std::function<void()>) override {}
};

TEST(SwipeGesture, PostsBeginChangeAndEndToTheSessionTap) {
    RecordingWindowServer server;
    ASSERT_TRUE(SwipeGesture::post(server, SpaceSwitchDirection::left));
    ASSERT_EQ(server.posted.size(), 3u);
    EXPECT_EQ(server.taps, (std::vector<std::int32_t>{1, 1, 1}));
    const std::vector<std::int64_t> phases{1, 2, 4};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& event = server.posted[i];
        EXPECT_EQ(event.integerFields,
                  (std::map<int, std::int64_t>{{55, 30}, {110, 23}, {132, phases[i]}, {123, 1}}));
        EXPECT_EQ(event.doubleFields.at(124), -std::ldexp(1.0, -149));
        EXPECT_EQ(event.doubleFields.at(129), -2000.0);
        EXPECT_EQ(event.doubleFields.at(130), -2000.0);
    }
    server.posted.clear();
    SwipeGesture::post(server, SpaceSwitchDirection::right);
    EXPECT_EQ(server.posted[0].doubleFields.at(124), 1.401298464324817e-45);
    EXPECT_EQ(server.posted[2].doubleFields.at(129), 2000.0);
}

TEST(SwipeGesture, StopsWhenAnEventCannotBeMade) {
    RecordingWindowServer server;
    server.eventsLeft = 2;
    EXPECT_FALSE(SwipeGesture::post(server, SpaceSwitchDirection::right));
    EXPECT_EQ(server.posted.size(), 2u);
}

TEST(SwipeGesture, NamesTheCursorDisplayAndMain) {
    RecordingWindowServer server;
    EXPECT_EQ(SwipeGesture::cursorDisplayIDs(server),
              (std::vector<std::string>{"37D8832A-2D66", "Main"}));
    server.mainDisplay = 1;
    EXPECT_EQ(SwipeGesture::cursorDisplayIDs(server), std::vector<std::string>{"37D8832A-2D66"});
    server.displaysUnderCursor = {3};
    EXPECT_TRUE(SwipeGesture::cursorDisplayIDs(server).empty());
    server.displaysUnderCursor = {};
    EXPECT_TRUE(SwipeGesture::cursorDisplayIDs(server).empty());
    server.eventsLeft = 0;
    EXPECT_TRUE(SwipeGesture::cursorDisplayIDs(server).empty());
}

} // namespace
} // namespace deskmap
