#include "DeskmapAppSupport/SpaceSwitcher/SwipeGesture.hpp"

#include "DeskmapPlatform/Gestures/SwipeGestureEncoding.hpp"

namespace deskmap::SwipeGesture {

namespace {

namespace Encoding = platform::SwipeGestureEncoding;

constexpr std::int32_t sessionEventTap = 1;

} // namespace

bool post(platform::WindowServer& windowServer, SpaceSwitchDirection direction) {
    const bool forward = direction == SpaceSwitchDirection::right;
    for (const auto phase :
         {Encoding::Phase::began, Encoding::Phase::changed, Encoding::Phase::ended}) {
        auto event = windowServer.createEvent();
        if (!event) {
            return false;
        }
        Encoding::encode(*event, phase, forward);
        windowServer.postEvent(sessionEventTap, *event);
    }
    return true;
}

std::vector<std::string> cursorDisplayIDs(platform::WindowServer& windowServer) {
    const auto event = windowServer.createEvent();
    if (!event) {
        return {};
    }
    const auto displays = windowServer.displaysWithPoint(event->location, 1);
    if (displays.empty()) {
        return {};
    }
    const auto uuid = windowServer.displayUUID(displays.front());
    if (!uuid) {
        return {};
    }
    std::vector<std::string> identifiers{*uuid};
    if (displays.front() == windowServer.mainDisplayID()) {
        identifiers.emplace_back("Main");
    }
    return identifiers;
}

} // namespace deskmap::SwipeGesture
