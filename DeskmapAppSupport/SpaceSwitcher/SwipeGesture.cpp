#include "DeskmapAppSupport/SpaceSwitcher/SwipeGesture.hpp"

#include <cmath>
#include <limits>

namespace deskmap::SwipeGesture {

namespace {

constexpr std::int32_t sessionEventTap = 1;
// The smallest positive single-precision value, 2^-149.
const double smallestMotion = std::ldexp(1.0, -149);

} // namespace

bool post(platform::WindowServer& windowServer, SpaceSwitchDirection direction) {
    const double sign = direction == SpaceSwitchDirection::right ? 1.0 : -1.0;
    for (const std::int64_t phase : {1, 2, 4}) {
        auto event = windowServer.createEvent();
        if (!event) {
            return false;
        }
        event->integerFields[55] = 30;
        event->integerFields[110] = 23;
        event->integerFields[132] = phase;
        event->integerFields[123] = 1;
        event->doubleFields[124] = sign * smallestMotion;
        event->doubleFields[129] = sign * 2000.0;
        event->doubleFields[130] = sign * 2000.0;
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
