#pragma once

#include "DeskmapPlatform/Runtime/Task.hpp"

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <optional>

namespace deskmap::test {

// Runs `work` on a fresh io_context on this thread and returns its outcome
// (or rethrows). With `cancelAfter`, the task is cancelled that long after it
// starts.
template <class T>
T runAsync(asio::awaitable<T> work,
           std::optional<std::chrono::steady_clock::duration> cancelAfter = std::nullopt) {
    asio::io_context io;
    auto task = runtime::Task<T>::spawn(io.get_executor(), std::move(work));
    asio::steady_timer timer(io);
    if (cancelAfter) {
        timer.expires_after(*cancelAfter);
        timer.async_wait([task](const asio::error_code& error) {
            if (!error) {
                task.cancel();
            }
        });
    }
    // The timer must not keep the loop alive once the task is done.
    while (!task.isFinished() && io.run_one() > 0) {
    }
    timer.cancel();
    io.run();
    return task.get();
}

} // namespace deskmap::test
