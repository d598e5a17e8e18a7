// Opens many ordinary top-level windows on an X display (for benchmarks) and
// keeps them until standard input closes or the process is stopped.
//   deskmap-x11-window-farm COUNT
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    auto* reply = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return value;
}

void setText(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
             xcb_atom_t type, const std::string& text) {
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, property, type, 8,
                        static_cast<std::uint32_t>(text.size()), text.data());
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 100;
    int screenNumber = 0;
    auto* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        std::fputs("deskmap-x11-window-farm: cannot connect to the X display\n", stderr);
        return 1;
    }
    auto iterator = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int index = 0; index < screenNumber; ++index) {
        xcb_screen_next(&iterator);
    }
    const auto* screen = iterator.data;
    const auto netName = atom(connection, "_NET_WM_NAME");
    const auto utf8 = atom(connection, "UTF8_STRING");
    for (int index = 0; index < count; ++index) {
        const auto window = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root,
                          static_cast<std::int16_t>(20 + index % 40 * 10),
                          static_cast<std::int16_t>(20 + index % 30 * 10), 400, 300, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        const auto title = "Document " + std::to_string(index) + " — Überblick";
        setText(connection, window, netName, utf8, title);
        setText(connection, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, "Document");
        const std::string windowClass = std::string("farm") + '\0' + "Farm" + '\0';
        setText(connection, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, windowClass);
        xcb_map_window(connection, window);
    }
    xcb_flush(connection);
    char buffer[64];
    while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    xcb_disconnect(connection);
    return 0;
}
