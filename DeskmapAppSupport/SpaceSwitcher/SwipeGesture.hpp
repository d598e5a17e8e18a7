#pragma once

#include "DeskmapAppSupport/SpaceSwitcher/SpaceSwitchPlanner.hpp"
#include "DeskmapPlatform/WindowServer.hpp"

#include <string>
#include <vector>

namespace deskmap::SwipeGesture {

// Posts one desktop-switch swipe as a trackpad sends it: three events (begin,
// change, end) to the session event tap. False when an event could not be
// made (events already posted stay posted).
bool post(platform::WindowServer& windowServer, SpaceSwitchDirection direction);

// The identifiers under which the display under the cursor may appear: its
// UUID text, and "Main" when it is the main display. Empty when the cursor is
// over no display.
std::vector<std::string> cursorDisplayIDs(platform::WindowServer& windowServer);

} // namespace deskmap::SwipeGesture
