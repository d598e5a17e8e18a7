#pragma once

#include "DeskmapPlatform/Runtime/Task.hpp"

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>
#include <csignal>

namespace deskmap::cli {

namespace detail {

// Stops listening for the signals once the work is done, so the loop can end.
template <class T>
asio::awaitable<void> stopListeningAfter(runtime::Task<T> task, asio::signal_set& interrupts) {
    try {
        auto waiting = task.value();
        co_await std::move(waiting);
    } catch (...) {
        // The outcome is read from the task itself.
    }
    interrupts.cancel();
}

} // namespace detail

// Runs `work` on this thread to its end and returns its outcome. Ctrl-C
// (SIGINT), SIGTERM and SIGHUP (a closed terminal) cancel it: the work then
// ends with CancellationError, and everything the command holds is let go
// in order (a desktop's script unloaded, children ended).
template <class T> T runInterruptible(asio::io_context& io, asio::awaitable<T> work) {
    auto task = runtime::Task<T>::spawn(io.get_executor(), std::move(work));
    asio::signal_set interrupts(io, SIGINT, SIGTERM, SIGHUP);
    interrupts.async_wait([task](const asio::error_code& error, int) {
        if (!error) {
            task.cancel();
        }
    });
    runtime::Task<void>::spawn(io.get_executor(), detail::stopListeningAfter(task, interrupts));
    io.run();
    return task.get();
}

} // namespace deskmap::cli
