#pragma once

#include "DeskmapPlatform/I3Ipc/I3IpcConnection.hpp"

#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace deskmap::platform::I3Ipc {

// Subscribes, on a connection of its own, to the window manager's workspace
// and output events and calls `changed` (on its own thread) for each. When
// the window manager restarts or the connection is lost it connects again,
// trying every `retryDelay`, and calls `changed` once connected, since
// anything may have changed meanwhile. Stops when destroyed.
class EventWatch {
public:
    using SocketLocator = std::function<std::optional<std::string>()>;

    EventWatch(SocketLocator locateSocket, Connection::Limits limits,
               std::chrono::milliseconds retryDelay, std::function<void()> changed);
    ~EventWatch();
    EventWatch(const EventWatch&) = delete;
    EventWatch& operator=(const EventWatch&) = delete;

private:
    void run();
    // Waits for the next message or the stop signal; false when stopped.
    bool waitReadable(int descriptor, int timeoutMilliseconds) const;

    SocketLocator locateSocket_;
    Connection::Limits limits_;
    std::chrono::milliseconds retryDelay_;
    std::function<void()> changed_;
    int wakePipe_[2] = {-1, -1};
    std::thread thread_;
};

} // namespace deskmap::platform::I3Ipc
