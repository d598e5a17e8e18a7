#include "I3IpcEventWatch.hpp"

#include "DeskmapPlatform/I3Ipc/I3IpcLayout.hpp"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <unistd.h>

namespace deskmap::platform::I3Ipc {

EventWatch::EventWatch(SocketLocator locateSocket, Connection::Limits limits,
                       std::chrono::milliseconds retryDelay, std::function<void()> changed)
    : locateSocket_(std::move(locateSocket)), limits_(limits), retryDelay_(retryDelay),
      changed_(std::move(changed)) {
    if (::pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw WindowServerError("Could not watch the window manager for workspace changes.");
    }
    // Stopping reaches a connect or a subscription that a wedged window
    // manager holds, so the destructor never waits for their timeout.
    limits_.cancelDescriptor = wakePipe_[0];
    thread_ = std::thread([this] { run(); });
}

EventWatch::~EventWatch() {
    const char stop = 1;
    [[maybe_unused]] const auto written = ::write(wakePipe_[1], &stop, 1);
    thread_.join();
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
}

bool EventWatch::waitReadable(int descriptor, int timeoutMilliseconds) const {
    for (;;) {
        pollfd watched[2] = {{wakePipe_[0], POLLIN, 0}, {descriptor, POLLIN, 0}};
        const int ready = ::poll(watched, 2, timeoutMilliseconds);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        return ready >= 0 && watched[0].revents == 0;
    }
}

void EventWatch::run() {
    bool reconnecting = false;
    for (;;) {
        std::unique_ptr<Connection> connection;
        try {
            if (const auto path = locateSocket_()) {
                connection = std::make_unique<Connection>(*path, limits_);
                // Output events are younger than the rest: where they are
                // refused, workspace events still tell of outputs that come
                // and go, since their workspaces move.
                bool subscribed = false;
                for (const auto* events : {R"(["workspace","output","shutdown"])",
                                           R"(["workspace","shutdown"])", R"(["workspace"])"}) {
                    const auto replies = connection->exchange({{MessageType::subscribe, events}});
                    if (commandsSucceeded("[" + replies.front() + "]")) {
                        subscribed = true;
                        break;
                    }
                }
                if (!subscribed) {
                    connection.reset();
                }
            }
        } catch (const std::exception&) {
            connection.reset(); // refused, lost, or more than could be read
        }
        if (!connection) {
            reconnecting = true;
            if (!waitReadable(-1, static_cast<int>(retryDelay_.count()))) {
                return;
            }
            continue;
        }
        if (reconnecting) {
            changed_(); // anything may have changed while nobody listened
        }
        reconnecting = true; // any later connection follows a loss
        try {
            for (;;) {
                if (!waitReadable(connection->descriptor(), -1)) {
                    return;
                }
                const auto message = connection->receive();
                if (message.type == shutdownEvent) {
                    break;
                }
                if (message.type == workspaceEvent || message.type == outputEvent) {
                    changed_();
                }
            }
        } catch (const std::exception&) {
            // Lost, or more than could be read: connect again.
        }
        // Not at once: a window manager that accepts and drops every
        // subscription would otherwise make a loop of refreshes.
        if (!waitReadable(-1, static_cast<int>(retryDelay_.count()))) {
            return;
        }
    }
}

} // namespace deskmap::platform::I3Ipc
