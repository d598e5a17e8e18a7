#pragma once

#include "DeskmapPlatform/WindowServer.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace deskmap::platform {

// The built-in simulated desktop, the X11 desktop of $DISPLAY, and the
// tiling window managers reached over their IPC socket.
inline constexpr const char* demoDesktopName = "demo";
inline constexpr const char* x11DesktopName = "x11";
inline constexpr const char* swayDesktopName = "sway";
inline constexpr const char* i3DesktopName = "i3";

// A desktop name or scenario that cannot be opened.
class DesktopSelectionError : public std::runtime_error {
public:
    explicit DesktopSelectionError(const std::string& message) : std::runtime_error(message) {}
};

// Which desktop to open: the explicit choice (a command-line option) wins over
// the environment's DESKMAP_DESKTOP; an empty value counts as none given.
// Without either, the desktop `detect` finds running, else the demo desktop.
std::string chooseDesktop(const std::optional<std::string>& requested,
                          const std::optional<std::string>& environment,
                          const std::function<std::optional<std::string>()>& detect);

// The desktop running in this session: sway or i3 where its IPC socket is
// present (they also answer as X11 or not at all), else X11 where an EWMH
// window manager is reachable, else nothing.
std::optional<std::string> detectDesktop();

// Opens "sway", "i3", "x11", "demo" (the built-in simulated desktop) or a
// scenario file path. Throws DesktopSelectionError with a message naming
// the problem.
std::shared_ptr<WindowServer> openDesktop(const std::string& name);

// The desktop every program opens: `requested` (a command-line option), else
// DESKMAP_DESKTOP, else the one detectDesktop finds, else the demo desktop.
std::shared_ptr<WindowServer> openChosenDesktop(const std::optional<std::string>& requested);

} // namespace deskmap::platform
