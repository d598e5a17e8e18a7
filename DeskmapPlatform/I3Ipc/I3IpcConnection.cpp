#include "I3IpcConnection.hpp"

#include "DeskmapPlatform/WindowServer.hpp"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace deskmap::platform::I3Ipc {

namespace {

std::string megabytes(std::size_t bytes) {
    return std::to_string(bytes >> 20) + " MB";
}

std::string seconds(std::chrono::milliseconds duration) {
    const auto tenths = duration.count() / 100;
    // Appended piece by piece: `"." + std::to_string(…)` makes GCC 12 at -O3
    // warn of an overlapping copy that cannot happen (-Wrestrict).
    auto text = std::to_string(tenths / 10);
    if (tenths % 10 != 0) {
        text += '.';
        text += std::to_string(tenths % 10);
    }
    text += tenths == 10 ? " second" : " seconds";
    return text;
}

} // namespace

Connection::Connection(const std::string& socketPath) : Connection(socketPath, Limits{}) {}

Connection::Connection(const std::string& socketPath, Limits limits)
    : path_(socketPath), limits_(limits) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path) {
        throw WindowServerError("The window manager's IPC socket path \"" + socketPath +
                                "\" is not a usable socket path.");
    }
    std::memcpy(address.sun_path, socketPath.data(), socketPath.size());
    socket_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (socket_ < 0) {
        throw WindowServerError(std::string("Could not open a socket: ") + std::strerror(errno) +
                                ".");
    }
    // A listener whose queue is full (a window manager that stopped
    // accepting) refuses a non-blocking connect with EAGAIN, where a
    // blocking one would wait for ever: try again until the timeout.
    const auto deadline = Clock::now() + limits_.timeout;
    int result = -1;
    for (;;) {
        result = ::connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        if (result == 0 || errno != EAGAIN || Clock::now() >= deadline) {
            break;
        }
        if (limits_.cancelDescriptor >= 0) {
            pollfd cancelled{limits_.cancelDescriptor, POLLIN, 0};
            if (::poll(&cancelled, 1, 10) > 0) {
                errno = ECANCELED;
                break;
            }
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    if (result != 0) {
        const auto reason = std::string(std::strerror(errno));
        ::close(socket_);
        socket_ = -1;
        throw WindowServerError("Could not connect to the window manager at " + socketPath + ": " +
                                reason + ".");
    }
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(socket_, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
        peer.uid != limits_.peerUser.value_or(::getuid())) {
        ::close(socket_);
        socket_ = -1;
        throw WindowServerError("The window manager's IPC socket " + socketPath +
                                " belongs to a process of another user.");
    }
}

int Connection::wait(short events, int timeoutMilliseconds) {
    pollfd watched[2] = {{socket_, events, 0}, {limits_.cancelDescriptor, POLLIN, 0}};
    const int ready = ::poll(watched, limits_.cancelDescriptor >= 0 ? 2 : 1, timeoutMilliseconds);
    if (ready > 0 && watched[1].revents != 0) {
        fail("Stopped waiting for the window manager.");
    }
    return ready;
}

Connection::~Connection() {
    if (socket_ >= 0) {
        ::close(socket_);
    }
}

void Connection::fail(const std::string& message) {
    if (socket_ >= 0) {
        ::close(socket_);
        socket_ = -1;
    }
    throw WindowServerError(message);
}

void Connection::send(std::string_view bytes) {
    const auto deadline = Clock::now() + limits_.timeout;
    while (!bytes.empty()) {
        if (socket_ < 0) {
            fail("The connection to the window manager was already lost.");
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const int ready = wait(POLLOUT, static_cast<int>(std::max<long>(left.count(), 0)));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready == 0) {
            fail("The window manager stopped taking requests.");
        }
        const auto written =
            ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (written < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            fail("The window manager closed its IPC connection.");
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void Connection::read(char* into, std::size_t size, std::optional<Clock::time_point> deadline) {
    while (size > 0) {
        if (socket_ < 0) {
            fail("The connection to the window manager was already lost.");
        }
        int timeout = -1;
        if (deadline) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now());
            timeout = static_cast<int>(std::max<long>(left.count(), 0));
        }
        const int ready = wait(POLLIN, timeout);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready == 0) {
            fail("The window manager did not answer within " + seconds(limits_.timeout) + ".");
        }
        const auto got = ::recv(socket_, into, size, 0);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (got <= 0) {
            fail("The window manager closed its IPC connection.");
        }
        into += got;
        size -= static_cast<std::size_t>(got);
    }
}

Message Connection::receive(bool bounded) {
    return receiveBy(bounded ? std::optional(Clock::now() + limits_.timeout) : std::nullopt);
}

Message Connection::receiveBy(std::optional<Clock::time_point> deadline) {
    char header[headerSize];
    read(header, sizeof header, deadline);
    const auto decoded = decodeHeader(std::string_view(header, sizeof header));
    if (!decoded) {
        fail("The window manager's IPC socket does not speak the i3 IPC protocol.");
    }
    if (decoded->length > limits_.maximumPayload) {
        fail("The window manager sent a message larger than " + megabytes(limits_.maximumPayload) +
             ".");
    }
    Message message{decoded->type, std::string(decoded->length, '\0')};
    // Once begun, a message arrives whole in good time.
    read(message.payload.data(), message.payload.size(),
         std::max(deadline.value_or(Clock::time_point{}), Clock::now() + limits_.timeout));
    return message;
}

std::vector<std::string>
Connection::exchange(const std::vector<std::pair<MessageType, std::string>>& requests) {
    std::string bytes;
    for (const auto& [type, payload] : requests) {
        bytes += encode(type, payload);
    }
    send(bytes);
    std::vector<std::string> replies;
    for (const auto& [type, payload] : requests) {
        // Events do not buy time: the reply itself is due by then.
        const auto deadline = Clock::now() + limits_.timeout;
        for (;;) {
            auto message = receiveBy(deadline);
            if ((message.type & eventFlag) != 0) {
                if (Clock::now() >= deadline) {
                    fail("The window manager did not answer within " + seconds(limits_.timeout) +
                         ".");
                }
                continue;
            }
            if (message.type != static_cast<std::uint32_t>(type)) {
                fail("The window manager answered a different request than the one asked.");
            }
            replies.push_back(std::move(message.payload));
            break;
        }
    }
    return replies;
}

} // namespace deskmap::platform::I3Ipc
