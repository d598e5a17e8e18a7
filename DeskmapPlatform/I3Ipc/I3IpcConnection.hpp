#pragma once

#include "DeskmapPlatform/I3Ipc/I3IpcMessage.hpp"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace deskmap::platform::I3Ipc {

// One connection to a window manager's IPC socket. Every wait is bounded:
// a peer that stops answering, closes the socket or sends something that is
// not the protocol fails the call with WindowServerError, whose message is a
// sentence for the user. After a failure the connection is unusable.
class Connection {
public:
    struct Limits {
        // The longest wait for the socket to accept bytes or deliver them.
        std::chrono::milliseconds timeout{5000};
        // The largest payload believed: a full tree of a thousand windows
        // takes a few megabytes, and parsing takes many times the size.
        std::size_t maximumPayload = 16u << 20;
        // When readable, every wait ends at once with WindowServerError: how
        // a watch that is stopped gets out of a connect or a reply that a
        // wedged window manager holds. -1: none.
        int cancelDescriptor = -1;
        // The user the window manager must run as: a socket path can be set
        // by anyone (the X root window's property by any client of the
        // display), and a process of another user is no window manager of
        // ours to read or command. Empty: this process's user.
        std::optional<uid_t> peerUser;
    };

    // Connects at once.
    explicit Connection(const std::string& socketPath);
    Connection(const std::string& socketPath, Limits limits);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Writes every request, then reads their replies in the same order
    // (events arriving meanwhile are skipped), so one exchange costs one
    // round trip whatever the number of requests.
    std::vector<std::string>
    exchange(const std::vector<std::pair<MessageType, std::string>>& requests);

    // The next message, reply or event. Waits at most the timeout when
    // `bounded`, else until one arrives or the peer leaves.
    Message receive(bool bounded = true);

    // For poll(): readable when a message has begun to arrive.
    int descriptor() const { return socket_; }

private:
    using Clock = std::chrono::steady_clock;
    void send(std::string_view bytes);
    // poll() on the socket for `events` and on the cancel descriptor.
    int wait(short events, int timeoutMilliseconds);
    // Waits until `deadline` at most, or for ever without one.
    void read(char* into, std::size_t size, std::optional<Clock::time_point> deadline);
    Message receiveBy(std::optional<Clock::time_point> deadline);
    [[noreturn]] void fail(const std::string& message);

    std::string path_;
    Limits limits_;
    int socket_ = -1;
};

} // namespace deskmap::platform::I3Ipc
