#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>

namespace deskmap::platform {

// The window-server calls that collection rests on. Answers are handed over
// exactly as a window server would give them: arrays, dictionaries, numbers
// and text as JSON values, and a JSON null where the call returns null. The
// callers validate every shape themselves, so an implementation must never
// tidy up what it reports.
//
// Implementations are called from background threads while other calls may
// change their state, so each one must be safe to call concurrently.
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

protected:
    WindowServer() = default;
    WindowServer(const WindowServer&) = default;
    WindowServer& operator=(const WindowServer&) = default;
};

} // namespace deskmap::platform
