#pragma once

#include "DeskmapAppSupport/RefreshCoordinator/RefreshCoordinator.hpp"
#include "DeskmapCore/Collection/SpaceTopologyCollecting.hpp"
#include "DeskmapPlatform/Runtime/Task.hpp"
#include "DeskmapPlatform/WindowServer.hpp"

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>
#include <chrono>
#include <memory>

namespace deskmap {

struct RefreshTriggerTiming {
    // A refresh this long after the previous one returned.
    std::chrono::steady_clock::duration pollInterval = std::chrono::seconds(300);
    // How often the display structure is compared.
    std::chrono::steady_clock::duration structureInterval = std::chrono::seconds(2);
};

// Decides when the Spaces are refreshed, apart from the user's own requests:
// - a poll: at once, then `pollInterval` after each refresh returned;
// - a watch of the display structure (each display's identifier and ordered
//   Spaces, never which Space is current): the first reading and every
//   change ask for a refresh. Read on every notification where the window
//   server announces such changes, else every `structureInterval`;
// - the window server's active-Space notifications: the current-Space marks
//   follow without collecting when the coordinator can absorb the change, and
//   a full refresh runs when it cannot (or when the topology cannot be read).
// The tasks run on `executor`, which must keep timers (an io_context's);
// window-server reads run on `background`.
class RefreshTriggers {
public:
    RefreshTriggers(asio::any_io_executor executor, asio::any_io_executor background,
                    std::shared_ptr<RefreshCoordinator> coordinator,
                    std::shared_ptr<SpaceTopologyCollecting> topology,
                    std::shared_ptr<platform::WindowServer> notifications,
                    RefreshTriggerTiming timing = {});
    // Stops listening and cancels the tasks without waiting for them.
    ~RefreshTriggers();
    RefreshTriggers(const RefreshTriggers&) = delete;
    RefreshTriggers& operator=(const RefreshTriggers&) = delete;

    // Starts the three tasks (once).
    void start();

    // Stops listening, cancels the tasks and returns when all have ended; a
    // refresh one of them was waiting for restores its state first.
    asio::awaitable<void> stop();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::vector<runtime::Task<void>> tasks_;
};

} // namespace deskmap
