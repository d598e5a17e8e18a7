#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

namespace deskmap::platform {

// One connection to an X server with the EWMH atoms interned, for the
// screen the display name selects. Throws WindowServerError when the server
// cannot be reached.
class X11Connection {
public:
    // `display`: an X display name; empty means $DISPLAY.
    explicit X11Connection(const std::string& display);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    xcb_connection_t* connection() const { return connection_; }
    xcb_ewmh_connection_t& ewmh() { return ewmh_; }
    int screenNumber() const { return screenNumber_; }
    xcb_window_t root() const { return screen_->root; }
    std::uint16_t width() const { return screen_->width_in_pixels; }
    std::uint16_t height() const { return screen_->height_in_pixels; }
    xcb_atom_t opacityAtom() const { return opacity_; }
    xcb_atom_t compoundTextAtom() const { return compoundText_; }
    // "X11 <display>.<screen>", stable for the X screen.
    const std::string& identifier() const { return identifier_; }

    bool failed() const { return xcb_connection_has_error(connection_) != 0; }

    // Whether an EWMH window manager announces itself on this screen.
    bool hasEWMHWindowManager();

    // A property request that asks for the whole value.
    xcb_get_property_cookie_t requestProperty(xcb_window_t window, xcb_atom_t property);

    // The reply to a property request; nothing when the window is gone or
    // the property is not set. Throws WindowServerError when the connection
    // was lost.
    struct Property {
        xcb_atom_t type = XCB_ATOM_NONE;
        std::uint8_t format = 0;
        std::string bytes;
        std::vector<std::uint32_t> cardinals() const; // for format 32
    };
    std::optional<Property> property(xcb_get_property_cookie_t cookie);

    // Throws WindowServerError when the connection was lost.
    void requireAlive() const;

private:
    xcb_connection_t* connection_ = nullptr;
    xcb_ewmh_connection_t ewmh_{};
    bool ewmhReady_ = false;
    int screenNumber_ = 0;
    xcb_screen_t* screen_ = nullptr;
    xcb_atom_t opacity_ = XCB_ATOM_NONE;
    xcb_atom_t compoundText_ = XCB_ATOM_NONE;
    std::string identifier_;
};

} // namespace deskmap::platform
