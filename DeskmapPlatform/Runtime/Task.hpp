#pragma once

#include "DeskmapPlatform/Runtime/CancellationError.hpp"

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>
#include <asio/bind_cancellation_slot.hpp>
#include <asio/cancellation_signal.hpp>
#include <asio/co_spawn.hpp>
#include <asio/error.hpp>
#include <asio/experimental/as_tuple.hpp>
#include <asio/experimental/channel_error.hpp>
#include <asio/experimental/concurrent_channel.hpp>
#include <asio/post.hpp>
#include <asio/strand.hpp>
#include <asio/system_error.hpp>
#include <asio/use_awaitable.hpp>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <variant>

namespace deskmap::runtime {

// A coroutine started on an executor, with its own cancellation signal.
//
// - cancel() may be called from any thread, any number of times. A task
//   cancelled before it starts never runs its body; one cancelled while it
//   waits is woken with CancellationError; one that already finished keeps
//   its outcome.
// - value() waits (from any executor, any number of waiters) for the outcome
//   and returns it or rethrows its error; a cancelled task's outcome is
//   CancellationError. Cancelling a waiter stops its wait, not the task.
//
// Copies share the task; the task runs to its end even when every copy is
// gone. The executor's execution context (the io_context) must outlive every
// copy: the task's completion signal lives in it.
template <class T> class Task {
public:
    using Executor = asio::any_io_executor;

    Task() = default;

    static Task spawn(Executor executor, asio::awaitable<T> work) {
        // A strand serializes the body and the cancellation signal, which is
        // not thread-safe, also on a multi-threaded executor.
        executor = asio::make_strand(executor);
        auto state = std::make_shared<State>(executor);
        auto body = [state, work = std::move(work)]() mutable -> asio::awaitable<T> {
            if (state->cancelRequested()) {
                throw CancellationError();
            }
            co_return co_await std::move(work);
        };
        if constexpr (std::is_void_v<T>) {
            asio::co_spawn(executor, std::move(body),
                           asio::bind_cancellation_slot(
                               state->signal.slot(),
                               [state](std::exception_ptr error) { state->finish(error, {}); }));
        } else {
            asio::co_spawn(executor, std::move(body),
                           asio::bind_cancellation_slot(state->signal.slot(),
                                                        [state](std::exception_ptr error, T value) {
                                                            state->finish(error, std::move(value));
                                                        }));
        }
        return Task(std::move(state));
    }

    bool valid() const { return state_ != nullptr; }

    void cancel() const {
        requireValid();
        if (!state_->requestCancellation()) {
            return;
        }
        // Cancellation signals are not thread-safe: emit on the task's own
        // executor.
        asio::post(state_->executor,
                   [state = state_] { state->signal.emit(asio::cancellation_type::terminal); });
    }

    bool isFinished() const {
        requireValid();
        std::lock_guard lock(state_->mutex);
        return state_->finished;
    }

    // The outcome of a finished task (returned or rethrown), for callers that
    // ran the executor to completion. Throws std::logic_error while the task
    // is still running.
    T get() const {
        requireValid();
        if (!isFinished()) {
            throw std::logic_error("the task has not finished");
        }
        return state_->outcome();
    }

    asio::awaitable<T> value() const {
        requireValid();
        auto state = state_;
        if (!isFinished()) {
            // The channel is closed when the task finishes, which wakes every
            // waiter at once.
            auto [error, unused] = co_await state->done.async_receive(
                asio::experimental::as_tuple(asio::use_awaitable));
            // Closing is the only message; any other outcome means this
            // waiter was cancelled.
            if (error && error != asio::experimental::error::channel_closed) {
                throw CancellationError();
            }
        }
        co_return state->outcome();
    }

private:
    using Stored = std::conditional_t<std::is_void_v<T>, std::monostate, T>;

    struct State {
        explicit State(Executor executor_) : executor(executor_), done(executor_, 1) {}

        bool cancelRequested() {
            std::lock_guard lock(mutex);
            return cancelled;
        }

        // True when this call is the one that asked for cancellation.
        bool requestCancellation() {
            std::lock_guard lock(mutex);
            if (finished || cancelled) {
                return false;
            }
            cancelled = true;
            return true;
        }

        void finish(std::exception_ptr failure, Stored result) {
            {
                std::lock_guard lock(mutex);
                if (failure && cancelled && isAborted(failure)) {
                    failure = std::make_exception_ptr(CancellationError());
                }
                error = failure;
                value = std::move(result);
                finished = true;
            }
            done.close();
        }

        T outcome() {
            std::lock_guard lock(mutex);
            if (error) {
                std::rethrow_exception(error);
            }
            if constexpr (!std::is_void_v<T>) {
                return *value;
            }
        }

        static bool isAborted(const std::exception_ptr& failure) {
            try {
                std::rethrow_exception(failure);
            } catch (const asio::system_error& systemError) {
                return systemError.code() == asio::error::operation_aborted;
            } catch (...) {
                return false;
            }
        }

        Executor executor;
        asio::cancellation_signal signal; // used on `executor` only
        // The payload is never sent; the channel only signals by closing. (A
        // plain void(error_code) channel does not compile with this Asio.)
        asio::experimental::concurrent_channel<void(asio::error_code, bool)> done;
        std::mutex mutex;
        bool cancelled = false;
        bool finished = false;
        std::optional<Stored> value;
        std::exception_ptr error;
    };

    explicit Task(std::shared_ptr<State> state) : state_(std::move(state)) {}

    void requireValid() const {
        if (!state_) {
            throw std::logic_error("the task was never started");
        }
    }

    std::shared_ptr<State> state_;
};

} // namespace deskmap::runtime
