#pragma once

#include <optional>
#include <string>

namespace deskmap {

// Whether other programs' window titles may be read. Asked afresh every
// time; callers never cache the answer.
class WindowTitleAccessChecking {
public:
    virtual ~WindowTitleAccessChecking() = default;
    virtual bool isGranted() const = 0;

protected:
    WindowTitleAccessChecking() = default;
    WindowTitleAccessChecking(const WindowTitleAccessChecking&) = default;
    WindowTitleAccessChecking& operator=(const WindowTitleAccessChecking&) = default;
};

// The same, with a way to ask the user for the permission.
class WindowTitleAccessRequesting : public WindowTitleAccessChecking {
public:
    // Shows the desktop's permission prompt where it has one; the answer is
    // read afterwards with isGranted.
    virtual void request() = 0;
    // While not granted: what the user must do, where the desktop has a way
    // of its own (GNOME's extension), instead of a permission prompt.
    virtual std::optional<std::string> advice() const { return std::nullopt; }
};

// For desktops where reading titles needs no permission.
class UnrestrictedWindowTitleAccess final : public WindowTitleAccessChecking {
public:
    bool isGranted() const override { return true; }
};

} // namespace deskmap
