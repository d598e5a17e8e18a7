#include "DeskmapAppSupport/SpaceSwitcher/SwipeGesture.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace deskmap {
namespace {

// Records posted events; displays and events are scripted.
class RecordingWindowServer final : public platform::WindowServer {
public:
    std::vector<platform::InputEvent> posted;
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
    void postEvent(std::int32_t, const platform::InputEvent& event) override {
        posted.push_back(event);
    }
    bool isAccessibilityTrusted() override { return true; }
    void requestAccessibilityTrust() override {}
    bool isScreenCaptureAccessGranted() override { return true; }
    void requestScreenCaptureAccess() override {}
    void setActiveSpaceObserver(std::function<void()>) override {}
};

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
