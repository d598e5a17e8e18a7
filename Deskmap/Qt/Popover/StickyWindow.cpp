#include "StickyWindow.hpp"

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <string_view>
#include <xcb/xcb.h>

namespace deskmap::qt {

namespace {

xcb_atom_t atom(xcb_connection_t* connection, std::string_view name) {
    auto* reply = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data()),
        nullptr);
    const xcb_atom_t found = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return found;
}

// A request to the window manager about a mapped window (EWMH: a client
// message to the root window).
void ask(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window, xcb_atom_t type,
         std::uint32_t first, std::uint32_t second) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = type;
    message.data.data32[0] = first;
    message.data.data32[1] = second;
    message.data.data32[2] = 0;
    message.data.data32[3] = 1; // from an application
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
}

} // namespace

void showOnEveryWorkspace(QWidget* window) {
    if (window == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) {
        return;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    auto* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr) {
        return;
    }
    const auto id = static_cast<xcb_window_t>(window->winId());
    const auto root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    constexpr std::uint32_t everyDesktop = 0xFFFFFFFF;
    const auto desktop = atom(connection, "_NET_WM_DESKTOP");
    const auto state = atom(connection, "_NET_WM_STATE");
    const auto sticky = atom(connection, "_NET_WM_STATE_STICKY");
    // Read by the window manager when it maps the window; once mapped, only
    // a request changes them.
    if (desktop != XCB_ATOM_NONE) {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, desktop, XCB_ATOM_CARDINAL, 32,
                            1, &everyDesktop);
        ask(connection, root, id, desktop, everyDesktop, 1);
    }
    if (state != XCB_ATOM_NONE && sticky != XCB_ATOM_NONE) {
        constexpr std::uint32_t add = 1;
        ask(connection, root, id, state, add, sticky);
    }
    xcb_flush(connection);
}

} // namespace deskmap::qt
