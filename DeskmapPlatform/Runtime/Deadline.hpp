#pragma once

#include "DeskmapPlatform/Runtime/CancellationError.hpp"

#include <asio/awaitable.hpp>
#include <asio/co_spawn.hpp>
#include <asio/experimental/deferred.hpp>
#include <asio/experimental/parallel_group.hpp>
#include <asio/steady_timer.hpp>
#include <asio/this_coro.hpp>
#include <asio/use_awaitable.hpp>
#include <chrono>
#include <exception>

namespace deskmap::runtime {

// Thrown by withDeadline when the deadline passed first.
class DeadlineExceeded : public std::exception {
public:
    const char* what() const noexcept override { return "the deadline passed"; }
};

// Races `work` against a timer of `deadline` on the monotonic clock. Whichever
// finishes first decides: work that returns or throws ends the race at once
// (the timer is cancelled and awaited); a timer that fires first cancels the
// work, waits for it to end and throws DeadlineExceeded. Cancelling the
// caller cancels both.
//
// Include only where it is used: it instantiates Asio's parallel group.
template <class T>
asio::awaitable<T> withDeadline(asio::awaitable<T> work,
                                std::chrono::steady_clock::duration deadline) {
    auto executor = co_await asio::this_coro::executor;
    auto timer = [deadline]() -> asio::awaitable<void> {
        asio::steady_timer clock(co_await asio::this_coro::executor, deadline);
        co_await clock.async_wait(asio::use_awaitable);
    };
    // Built in a statement of its own: GCC 12 destroys the temporaries of a
    // co_await expression twice.
    auto group = asio::experimental::make_parallel_group(
        asio::co_spawn(executor, std::move(work), asio::experimental::deferred),
        asio::co_spawn(executor, std::move(timer), asio::experimental::deferred));
    auto waiting =
        std::move(group).async_wait(asio::experimental::wait_for_one(), asio::use_awaitable);
    auto [order, workError, result, timerError] = co_await std::move(waiting);
    if (order[0] == 1 && !timerError) {
        throw DeadlineExceeded();
    }
    if (workError) {
        std::rethrow_exception(workError);
    }
    if (order[0] == 1) {
        // The timer was aborted before the work finished: the caller was
        // cancelled.
        throw CancellationError();
    }
    co_return std::move(result);
}

} // namespace deskmap::runtime
