#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace deskmap::platform {

// A point in global display coordinates.
struct DisplayPoint {
    double x = 0;
    double y = 0;

    friend bool operator==(const DisplayPoint&, const DisplayPoint&) = default;
};

// A synthetic input event: its location and the numbered fields set on it.
struct InputEvent {
    DisplayPoint location;
    std::map<int, std::int64_t> integerFields;
    std::map<int, double> doubleFields;

    friend bool operator==(const InputEvent&, const InputEvent&) = default;
};

// The window server cannot be reached (for example, the connection to a
// display server was lost). The message is a sentence for the user.
class WindowServerError : public std::runtime_error {
public:
    explicit WindowServerError(const std::string& message) : std::runtime_error(message) {}
};

// The window-server calls that collection rests on. Answers are handed over
// exactly as a window server would give them: arrays, dictionaries, numbers
// and text as JSON values, and a JSON null where the call returns null. The
// callers validate every shape themselves, so an implementation must never
// tidy up what it reports.
//
// Implementations are called from background threads while other calls may
// change their state, so each one must be safe to call concurrently. A call
// that cannot reach the window server at all throws WindowServerError.
class WindowServer {
public:
    virtual ~WindowServer() = default;

    // The connection number every other call is given.
    virtual std::int32_t mainConnectionID() = 0;

    // Null, or an array of display dictionaries ("Display Identifier",
    // "Current Space", "Spaces") in display order.
    virtual nlohmann::json copyManagedDisplaySpaces(std::int32_t connection) = 0;

    // Null, or an array of the Space numbers that hold the given windows.
    // `windowNumbers` is an array of window numbers; `spaceMask` selects the
    // kinds of Space (7: all of them).
    virtual nlohmann::json copySpacesForWindows(std::int32_t connection, std::int32_t spaceMask,
                                                const nlohmann::json& windowNumbers) = 0;

    // Null, or an array of window dictionaries (kCGWindowLayer,
    // kCGWindowNumber, kCGWindowOwnerName, kCGWindowName, kCGWindowAlpha,
    // kCGWindowBounds) covering the windows of every Space. Option 0 with
    // relative window 0 asks for every window.
    virtual nlohmann::json copyWindowListInfo(std::uint32_t option,
                                              std::uint32_t relativeToWindow) = 0;

    // A new empty event located at the cursor, or nothing when no event can
    // be made.
    virtual std::optional<InputEvent> createEvent() = 0;

    // The numbers of at most `maximum` displays that contain `point` (empty
    // when none does).
    virtual std::vector<std::uint32_t> displaysWithPoint(DisplayPoint point,
                                                         std::uint32_t maximum) = 0;

    // The display's identifier, the same text as its "Display Identifier",
    // or nothing.
    virtual std::optional<std::string> displayUUID(std::uint32_t display) = 0;

    virtual std::uint32_t mainDisplayID() = 0;

    // Delivers the event as if it came from an input device; `tap` 1 is the
    // session event tap.
    virtual void postEvent(std::int32_t tap, const InputEvent& event) = 0;

    // Whether this process may post input events, and asking the user to
    // allow it.
    virtual bool isAccessibilityTrusted() = 0;
    virtual void requestAccessibilityTrust() = 0;

    // Whether this process may read other applications' window titles, and
    // asking the user to allow it. Nothing is ever captured: where titles are
    // guarded at all, the permission that guards them is the screen-capture
    // one.
    virtual bool isScreenCaptureAccessGranted() = 0;
    virtual void requestScreenCaptureAccess() = 0;
    // While access is not granted: a sentence saying what the user must do
    // where the desktop has a way of its own, or nothing.
    virtual std::optional<std::string> screenCaptureAccessAdvice() { return std::nullopt; }

    // Called, on a thread of the window server's choosing, whenever the
    // current Space of a display changes. One observer; an empty function
    // removes it.
    virtual void setActiveSpaceObserver(std::function<void()> observer) = 0;

    // Whether the observer is also called when Spaces or displays come, go
    // or move (and after any gap in listening), so that nobody needs to
    // poll for them.
    virtual bool announcesStructureChanges() const { return false; }

protected:
    WindowServer() = default;
    WindowServer(const WindowServer&) = default;
    WindowServer& operator=(const WindowServer&) = default;
};

} // namespace deskmap::platform
