#pragma once

#include <optional>
#include <string>

namespace deskmap::platform::I3Ipc {

enum class WindowManager { sway, i3 };

// Where the window manager's IPC socket is: for sway $SWAYSOCK, else
// $I3SOCK (which sway sets too); for i3 $I3SOCK, else the path i3 writes
// into the X root window's I3_SOCKET_PATH property. Nothing when none is
// named.
std::optional<std::string> findSocket(WindowManager windowManager);

// The I3_SOCKET_PATH of the root window of `display` (empty: $DISPLAY), or
// nothing when no X server answers or the property is absent.
std::optional<std::string> rootWindowSocketPath(const std::string& display = {});

// Whether a window manager listens on `path` (a socket file may outlive
// the window manager that made it).
bool isListening(const std::string& path);

// The sentence for a desktop whose socket cannot be found.
std::string noSocketMessage(WindowManager windowManager);

// "sway" or "i3".
const char* name(WindowManager windowManager);

} // namespace deskmap::platform::I3Ipc
