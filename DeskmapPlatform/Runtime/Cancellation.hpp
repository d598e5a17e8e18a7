#pragma once

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>
#include <chrono>
#include <exception>

// Cancellation for coroutines. A coroutine is cancelled through the
// cancellation slot bound when it was spawned (see Task); these helpers turn
// that request into CancellationError, so callers never see Asio's
// operation_aborted error codes.
namespace deskmap::runtime {

// Throws CancellationError when the current coroutine has been asked to stop.
asio::awaitable<void> checkCancellation();

// Suspends for `duration` on the monotonic clock; throws CancellationError
// when cancelled meanwhile (or before).
asio::awaitable<void> sleepFor(std::chrono::steady_clock::duration duration);

// The same with the timer kept by `timers` (an io_context's executor), for
// coroutines whose own executor keeps no timers, such as the GUI thread's;
// the caller resumes on its own executor.
asio::awaitable<void> sleepFor(std::chrono::steady_clock::duration duration,
                               asio::any_io_executor timers);

// Whether `error` is a cancellation: CancellationError, or an Asio operation
// that was aborted because its coroutine was cancelled.
bool isCancellation(const std::exception_ptr& error);

} // namespace deskmap::runtime
