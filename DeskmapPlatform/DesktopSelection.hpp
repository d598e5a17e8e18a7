#pragma once

#include "DeskmapPlatform/Text/UserTexts.hpp"
#include "DeskmapPlatform/WindowServer.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace deskmap::platform {

// The built-in simulated desktop, the X11 desktop of $DISPLAY, the tiling
// window managers reached over their IPC socket, GNOME Shell through
// Deskmap's extension, and KWin through Deskmap's KWin script.
inline constexpr const char* demoDesktopName = "demo";
inline constexpr const char* x11DesktopName = "x11";
inline constexpr const char* swayDesktopName = "sway";
inline constexpr const char* i3DesktopName = "i3";
inline constexpr const char* gnomeDesktopName = "gnome";
inline constexpr const char* kdeDesktopName = "kde";

// A desktop name or scenario that cannot be opened.
class DesktopSelectionError : public std::runtime_error {
public:
    explicit DesktopSelectionError(const std::string& message) : std::runtime_error(message) {}
};

// A graphical session runs, but no backend reads it (a Wayland compositor
// other than sway, an X server without an EWMH window manager). Showing the
// demo desktop there would pass made-up Spaces off as the user's own.
class UnsupportedSessionError : public WindowServerError {
public:
    explicit UnsupportedSessionError(const std::string& message) : WindowServerError(message) {}
};

// What detection found in this session.
struct DetectedDesktop {
    enum class Kind {
        supported,   // `name` is a desktop openDesktop opens
        noSession,   // neither DISPLAY nor WAYLAND_DISPLAY: nothing to read
        unsupported, // `description` says what runs and why it cannot be read
    };
    Kind kind = Kind::noSession;
    std::string name;
    std::string description;

    friend bool operator==(const DetectedDesktop&, const DetectedDesktop&) = default;
};

// What every program says when it falls back to the demo desktop.
inline constexpr const char* demoFallbackNotice = texts::demoFallback;

// The facts detection decides on, so the rule is testable without a session.
struct SessionProbe {
    std::optional<std::string> waylandDisplay;
    std::optional<std::string> x11Display;
    std::optional<std::string> currentDesktop; // XDG_CURRENT_DESKTOP
    bool swayListening = false;
    bool i3Listening = false;
    bool ewmhWindowManager = false;
    bool gnomeShellRunning = false; // org.gnome.Shell on the session bus
    bool kwinRunning = false;       // org.kde.KWin on the session bus
};

// Whether XDG_CURRENT_DESKTOP (a colon-separated list) names GNOME, or KDE.
bool namesGnome(const std::optional<std::string>& currentDesktop);
bool namesKde(const std::optional<std::string>& currentDesktop);

// The rule: GNOME where the session says so and GNOME Shell runs (even where
// XWayland offers EWMH: it sees only X11 windows), KDE likewise where KWin
// runs; sway or i3 where their IPC socket answers (they
// also answer as X11, or not at all); on Wayland nothing else (X11 through XWayland sees only part
// of the windows); on X11 an EWMH window manager; no session at all is the only case for the demo
// desktop.
DetectedDesktop detectDesktop(const SessionProbe& probe);
// The same over this process's environment and sockets.
DetectedDesktop detectDesktop();

// Which desktop to open: the explicit choice (a command-line option) wins over
// the environment's DESKMAP_DESKTOP; an empty value counts as none given.
// Without either, what `detect` finds: the demo desktop only where no
// session exists (`notice` is then set to demoFallbackNotice); a session
// that cannot be read throws UnsupportedSessionError.
std::string chooseDesktop(const std::optional<std::string>& requested,
                          const std::optional<std::string>& environment,
                          const std::function<DetectedDesktop()>& detect,
                          std::optional<std::string>* notice = nullptr);

// Which desktop a program of this session shows, as two programs compare
// it: the one it opens (chosen as openChosenDesktop chooses, a scenario by
// its full path) on the display it runs on. Equal keys mean the same map.
std::string sessionDesktopKey(const std::optional<std::string>& requested);

// Opens "gnome", "kde", "sway", "i3", "x11", "demo" (the built-in simulated desktop) or a
// scenario file path. Throws DesktopSelectionError with a message naming
// the problem.
std::shared_ptr<WindowServer> openDesktop(const std::string& name);

// The desktop every program opens: `requested` (a command-line option), else
// DESKMAP_DESKTOP, else the one detectDesktop finds (see chooseDesktop).
// `notice`, when given, receives what to tell the user on stderr.
std::shared_ptr<WindowServer> openChosenDesktop(const std::optional<std::string>& requested,
                                                std::optional<std::string>* notice = nullptr);

} // namespace deskmap::platform
