#include "I3IpcSocket.hpp"

#include "DeskmapPlatform/I3Ipc/I3IpcConnection.hpp"
#include "DeskmapPlatform/WindowServer.hpp"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <sys/stat.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

namespace deskmap::platform::I3Ipc {

namespace {

std::optional<std::string> environment(const char* variable) {
    const char* value = std::getenv(variable);
    if (!value || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};

// An X server that stopped answering must not stop the caller: each reply
// is awaited until the deadline at most.
template <class Reply>
std::unique_ptr<Reply, FreeDeleter> replyBy(xcb_connection_t* connection, unsigned int sequence,
                                            std::chrono::steady_clock::time_point deadline) {
    xcb_flush(connection);
    for (;;) {
        void* reply = nullptr;
        xcb_generic_error_t* error = nullptr;
        if (xcb_poll_for_reply(connection, sequence, &reply, &error) != 0) {
            std::free(error);
            return std::unique_ptr<Reply, FreeDeleter>(static_cast<Reply*>(reply));
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (xcb_connection_has_error(connection) || left.count() <= 0) {
            return nullptr;
        }
        pollfd readable{xcb_get_file_descriptor(connection), POLLIN, 0};
        ::poll(&readable, 1, static_cast<int>(left.count()));
    }
}

} // namespace

const char* name(WindowManager windowManager) {
    return windowManager == WindowManager::sway ? "sway" : "i3";
}

std::optional<std::string> rootWindowSocketPath(const std::string& display) {
    // Without an X server to ask there is nothing to find, and nothing to wait for.
    if (display.empty() && !environment("DISPLAY")) {
        return std::nullopt;
    }
    int screenNumber = 0;
    auto* connection = xcb_connect(display.empty() ? nullptr : display.c_str(), &screenNumber);
    const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> owned(connection,
                                                                               xcb_disconnect);
    if (xcb_connection_has_error(connection)) {
        return std::nullopt;
    }
    const auto* setup = xcb_get_setup(connection);
    auto screens = xcb_setup_roots_iterator(setup);
    for (int skip = 0; skip < screenNumber && screens.rem > 0; ++skip) {
        xcb_screen_next(&screens);
    }
    if (screens.rem == 0) {
        return std::nullopt;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    constexpr std::string_view atomName = "I3_SOCKET_PATH";
    const auto atom = replyBy<xcb_intern_atom_reply_t>(
        connection,
        xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(atomName.size()), atomName.data())
            .sequence,
        deadline);
    if (!atom || atom->atom == XCB_ATOM_NONE) {
        return std::nullopt;
    }
    // A socket path fits in a sun_path; a longer property is not one.
    const auto property = replyBy<xcb_get_property_reply_t>(
        connection,
        xcb_get_property(connection, 0, screens.data->root, atom->atom, XCB_GET_PROPERTY_TYPE_ANY,
                         0, 64)
            .sequence,
        deadline);
    if (!property || property->format != 8) {
        return std::nullopt;
    }
    const auto length = static_cast<std::size_t>(xcb_get_property_value_length(property.get()));
    std::string path(static_cast<const char*>(xcb_get_property_value(property.get())), length);
    if (const auto end = path.find('\0'); end != std::string::npos) {
        path.erase(end);
    }
    return path.empty() ? std::nullopt : std::optional(path);
}

std::optional<std::string> findSocket(WindowManager windowManager) {
    if (windowManager == WindowManager::sway) {
        if (auto path = environment("SWAYSOCK")) {
            return path;
        }
        return environment("I3SOCK");
    }
    if (auto path = environment("I3SOCK")) {
        return path;
    }
    return rootWindowSocketPath();
}

bool isListening(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISSOCK(status.st_mode)) {
        return false;
    }
    try {
        Connection::Limits limits;
        limits.timeout = std::chrono::milliseconds(500);
        Connection probe(path, limits);
        return true;
    } catch (const WindowServerError&) {
        return false; // left behind by a window manager that has ended
    }
}

std::string noSocketMessage(WindowManager windowManager) {
    if (windowManager == WindowManager::sway) {
        return "No sway IPC socket was found: neither SWAYSOCK nor I3SOCK is set.";
    }
    return "No i3 IPC socket was found: I3SOCK is not set and the X root window names none.";
}

} // namespace deskmap::platform::I3Ipc
