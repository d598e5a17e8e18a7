#include "DeskmapPlatform/Runtime/Cancellation.hpp"

#include "DeskmapPlatform/Runtime/CancellationError.hpp"

#include <asio/error.hpp>
#include <asio/steady_timer.hpp>
#include <asio/system_error.hpp>
#include <asio/this_coro.hpp>
#include <asio/use_awaitable.hpp>

namespace deskmap::runtime {

asio::awaitable<void> checkCancellation() {
    const auto state = co_await asio::this_coro::cancellation_state;
    if (state.cancelled() != asio::cancellation_type::none) {
        throw CancellationError();
    }
}

asio::awaitable<void> sleepFor(std::chrono::steady_clock::duration duration) {
    auto sleeping = sleepFor(duration, co_await asio::this_coro::executor);
    co_await std::move(sleeping);
}

asio::awaitable<void> sleepFor(std::chrono::steady_clock::duration duration,
                               asio::any_io_executor timers) {
    co_await checkCancellation();
    asio::steady_timer timer(std::move(timers), duration);
    try {
        co_await timer.async_wait(asio::use_awaitable);
    } catch (const asio::system_error& error) {
        if (error.code() == asio::error::operation_aborted) {
            throw CancellationError();
        }
        throw;
    }
}

bool isCancellation(const std::exception_ptr& error) {
    if (!error) {
        return false;
    }
    try {
        std::rethrow_exception(error);
    } catch (const CancellationError&) {
        return true;
    } catch (const asio::system_error& systemError) {
        return systemError.code() == asio::error::operation_aborted;
    } catch (...) {
        return false;
    }
}

} // namespace deskmap::runtime
