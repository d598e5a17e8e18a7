#pragma once

#include "QtEventLoopContext.hpp"

#include <asio/execution/blocking.hpp>
#include <asio/execution/context.hpp>
#include <type_traits>
#include <utility>

namespace deskmap::qt {

// An Asio executor that runs work on the Qt event loop, so that coroutines,
// strands and completion handlers can live on the GUI thread. It never runs
// work inside execute() itself (blocking.never), not even when called from
// the loop's own thread.
class QtExecutor {
public:
    explicit QtExecutor(QtEventLoopContext& context) noexcept : context_(&context) {}

    QtEventLoopContext& query(asio::execution::context_t) const noexcept { return *context_; }

    static constexpr asio::execution::blocking_t query(asio::execution::blocking_t) noexcept {
        return asio::execution::blocking.never;
    }

    QtExecutor require(asio::execution::blocking_t::never_t) const noexcept { return *this; }

    template <class Function> void execute(Function&& function) const {
        using Stored = std::decay_t<Function>;
        struct Posted final : QtEventLoopContext::Work {
            explicit Posted(Function&& f) : function(std::forward<Function>(f)) {}
            void run() override { std::move(function)(); }
            Stored function;
        };
        context_->post(std::make_unique<Posted>(std::forward<Function>(function)));
    }

    bool running_in_this_thread() const noexcept { return context_->runningInThisThread(); }

    friend bool operator==(const QtExecutor&, const QtExecutor&) noexcept = default;

private:
    QtEventLoopContext* context_;
};

inline QtExecutor QtEventLoopContext::get_executor() noexcept {
    return QtExecutor(*this);
}

} // namespace deskmap::qt
