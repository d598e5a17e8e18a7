#pragma once

#include "DeskmapPlatform/Runtime/Cancellation.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"
#include "DeskmapPlatform/Runtime/Task.hpp"

#include <asio/this_coro.hpp>
#include <functional>
#include <type_traits>

namespace deskmap::runtime {

// Runs `work` as a task on `executor` and waits for it; the caller resumes on
// its own executor. Cancelling the caller cancels the task, and the caller
// sees CancellationError only once the task has ended, so nothing it started
// outlives the wait.
template <class T>
asio::awaitable<T> runOn(asio::any_io_executor executor, asio::awaitable<T> work) {
    auto task = Task<T>::spawn(std::move(executor), std::move(work));
    std::exception_ptr failure;
    try {
        auto waiting = task.value();
        if constexpr (std::is_void_v<T>) {
            co_await std::move(waiting);
            co_return;
        } else {
            co_return co_await std::move(waiting);
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (!isCancellation(failure) || task.isFinished()) {
        std::rethrow_exception(failure);
    }
    task.cancel();
    co_await asio::this_coro::reset_cancellation_state();
    co_await asio::this_coro::throw_if_cancelled(false);
    try {
        auto ending = task.value();
        co_await std::move(ending);
    } catch (...) {
        // The caller was cancelled: that is its outcome, whatever the task's.
    }
    throw CancellationError();
}

// Calls `function` on `executor` (a thread that may block) and waits for its
// result or failure.
template <class Function>
asio::awaitable<std::invoke_result_t<Function>> callOn(asio::any_io_executor executor,
                                                       Function function) {
    using Result = std::invoke_result_t<Function>;
    auto work = [](Function call) -> asio::awaitable<Result> {
        if constexpr (std::is_void_v<Result>) {
            call();
            co_return;
        } else {
            co_return call();
        }
    }(std::move(function));
    auto running = runOn(std::move(executor), std::move(work));
    if constexpr (std::is_void_v<Result>) {
        co_await std::move(running);
    } else {
        co_return co_await std::move(running);
    }
}

} // namespace deskmap::runtime
