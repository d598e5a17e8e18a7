#include "X11Connection.hpp"

#include "DeskmapPlatform/WindowServer.hpp"

#include <cstdlib>
#include <cstring>

namespace deskmap::platform {

namespace {

template <class Reply> struct ReplyDeleter {
    void operator()(Reply* reply) const { std::free(reply); }
};
template <class Reply> using ReplyPointer = std::unique_ptr<Reply, ReplyDeleter<Reply>>;

std::string displayLabel(const std::string& display) {
    if (!display.empty()) {
        return display;
    }
    const char* fromEnvironment = std::getenv("DISPLAY");
    return fromEnvironment ? fromEnvironment : "";
}

} // namespace

X11Connection::X11Connection(const std::string& display) {
    const auto name = displayLabel(display);
    if (name.empty()) {
        throw WindowServerError("No X display is set (DISPLAY is empty).");
    }
    connection_ = xcb_connect(name.c_str(), &screenNumber_);
    if (xcb_connection_has_error(connection_)) {
        xcb_disconnect(connection_);
        connection_ = nullptr;
        throw WindowServerError("Could not connect to the X server \"" + name + "\".");
    }
    auto iterator = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int index = 0; iterator.rem > 0 && index < screenNumber_; ++index) {
        xcb_screen_next(&iterator);
    }
    if (iterator.rem == 0) {
        xcb_disconnect(connection_);
        connection_ = nullptr;
        throw WindowServerError("The X display \"" + name + "\" has no such screen.");
    }
    screen_ = iterator.data;

    auto* atomCookies = xcb_ewmh_init_atoms(connection_, &ewmh_);
    const auto opacityCookie = xcb_intern_atom(
        connection_, 0, std::strlen("_NET_WM_WINDOW_OPACITY"), "_NET_WM_WINDOW_OPACITY");
    const auto compoundTextCookie =
        xcb_intern_atom(connection_, 0, std::strlen("COMPOUND_TEXT"), "COMPOUND_TEXT");
    ewmhReady_ = xcb_ewmh_init_atoms_replies(&ewmh_, atomCookies, nullptr) != 0;
    ReplyPointer<xcb_intern_atom_reply_t> opacity(
        xcb_intern_atom_reply(connection_, opacityCookie, nullptr));
    ReplyPointer<xcb_intern_atom_reply_t> compoundText(
        xcb_intern_atom_reply(connection_, compoundTextCookie, nullptr));
    if (!ewmhReady_ || !opacity || !compoundText) {
        if (ewmhReady_) {
            xcb_ewmh_connection_wipe(&ewmh_);
        }
        xcb_disconnect(connection_);
        connection_ = nullptr;
        throw WindowServerError("The X server \"" + name + "\" did not answer.");
    }
    opacity_ = opacity->atom;
    compoundText_ = compoundText->atom;

    // The display name without the host's own screen part, plus the screen.
    auto base = name.substr(name.rfind(':') == std::string::npos ? 0 : name.rfind(':'));
    if (const auto dot = base.find('.'); dot != std::string::npos) {
        base.erase(dot);
    }
    identifier_ = "X11 " + base + "." + std::to_string(screenNumber_);
}

X11Connection::~X11Connection() {
    if (ewmhReady_) {
        xcb_ewmh_connection_wipe(&ewmh_);
    }
    if (connection_) {
        xcb_disconnect(connection_);
    }
}

void X11Connection::requireAlive() const {
    if (failed()) {
        throw WindowServerError("The connection to the X server was lost.");
    }
}

xcb_get_property_cookie_t X11Connection::requestProperty(xcb_window_t window, xcb_atom_t property) {
    // Titles and lists are small; 64 KiB of 32-bit units is far beyond any.
    return xcb_get_property(connection_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 16384);
}

std::optional<X11Connection::Property> X11Connection::property(xcb_get_property_cookie_t cookie) {
    xcb_generic_error_t* error = nullptr;
    ReplyPointer<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection_, cookie, &error));
    std::free(error); // BadWindow: the window is gone
    if (!reply) {
        requireAlive();
        return std::nullopt;
    }
    if (reply->type == XCB_ATOM_NONE) {
        return std::nullopt;
    }
    const auto length = xcb_get_property_value_length(reply.get());
    const auto* value = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return Property{reply->type, reply->format,
                    std::string(value, static_cast<std::size_t>(length))};
}

std::vector<std::uint32_t> X11Connection::Property::cardinals() const {
    std::vector<std::uint32_t> values;
    if (format != 32) {
        return values;
    }
    values.resize(bytes.size() / 4);
    if (!values.empty()) {
        std::memcpy(values.data(), bytes.data(), values.size() * 4);
    }
    return values;
}

bool X11Connection::hasEWMHWindowManager() {
    const auto check = property(requestProperty(root(), ewmh_._NET_SUPPORTING_WM_CHECK));
    if (!check || check->cardinals().empty()) {
        return false;
    }
    // The check window must exist and point to itself.
    const auto child = check->cardinals().front();
    const auto self = property(requestProperty(child, ewmh_._NET_SUPPORTING_WM_CHECK));
    return self && !self->cardinals().empty() && self->cardinals().front() == child;
}

} // namespace deskmap::platform
