#pragma once

#include "DeskmapPlatform/Runtime/Cancellation.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"
#include "DeskmapPlatform/Runtime/Deadline.hpp"
#include "DeskmapPlatform/Runtime/Task.hpp"

#include <gtest/gtest.h>

#include <asio/steady_timer.hpp>
#include <asio/thread_pool.hpp>
#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>

// What tasks, cancellation and deadlines must do on any executor the app
// runs them on. A test file instantiates the suite with its main loop type:
// one with `asio::any_io_executor executor()` and
// `bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)`.
namespace deskmap::test {

template <class MainLoop> class RuntimeContract : public testing::Test {
protected:
    using Clock = std::chrono::steady_clock;

    static asio::awaitable<int> answerAfter(std::chrono::milliseconds delay, int answer,
                                            std::shared_ptr<std::atomic<int>> steps = nullptr) {
        if (steps) {
            ++*steps;
        }
        co_await runtime::sleepFor(delay);
        if (steps) {
            ++*steps;
        }
        co_return answer;
    }

    static asio::awaitable<int> failAfter(std::chrono::milliseconds delay) {
        co_await runtime::sleepFor(delay);
        throw std::runtime_error("failed");
    }

    static asio::awaitable<int> awaitValue(runtime::Task<int> task) {
        co_return co_await task.value();
    }

    // Runs `work` on the loop and returns its outcome (or rethrows); with
    // `cancelAfter`, cancels it that long after it starts.
    int run(asio::awaitable<int> work,
            std::optional<std::chrono::milliseconds> cancelAfter = std::nullopt) {
        auto task = runtime::Task<int>::spawn(loop.executor(), std::move(work));
        asio::steady_timer timer(loop.executor());
        if (cancelAfter) {
            timer.expires_after(*cancelAfter);
            timer.async_wait([task](const asio::error_code& error) {
                if (!error) {
                    task.cancel();
                }
            });
        }
        finish(task);
        timer.cancel();
        return task.get();
    }

    void finish(const runtime::Task<int>& task) {
        EXPECT_TRUE(loop.runUntil([&] { return task.isFinished(); }, std::chrono::seconds(20)));
    }

    MainLoop loop;
};

TYPED_TEST_SUITE_P(RuntimeContract);

using namespace std::chrono_literals;

TYPED_TEST_P(RuntimeContract, TasksReturnOrThrowTheOutcomeOfTheirWork) {
    EXPECT_EQ(this->run(this->answerAfter(1ms, 42)), 42);
    EXPECT_THROW(this->run(this->failAfter(1ms)), std::runtime_error);
    EXPECT_THROW(runtime::Task<int>().cancel(), std::logic_error);
    auto unfinished = runtime::Task<int>::spawn(this->loop.executor(), this->answerAfter(0ms, 1));
    EXPECT_THROW(unfinished.get(), std::logic_error) << "no work runs inside spawn";
    this->finish(unfinished);
}

TYPED_TEST_P(RuntimeContract, ATaskCancelledBeforeItStartsNeverRunsItsBody) {
    auto steps = std::make_shared<std::atomic<int>>(0);
    auto task = runtime::Task<int>::spawn(this->loop.executor(), this->answerAfter(1ms, 1, steps));
    task.cancel();
    this->finish(task);
    EXPECT_THROW(task.get(), runtime::CancellationError);
    EXPECT_EQ(steps->load(), 0);
}

TYPED_TEST_P(RuntimeContract, ATaskCancelledWhileItWaitsEndsAtOnceWithCancellation) {
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(this->run(this->answerAfter(10s, 1), 20ms), runtime::CancellationError);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

TYPED_TEST_P(RuntimeContract, ACancelledTaskThatHadFinishedKeepsItsValue) {
    auto task = runtime::Task<int>::spawn(this->loop.executor(), this->answerAfter(0ms, 7));
    this->finish(task);
    task.cancel();
    task.cancel();
    this->loop.runUntil([] { return false; }, 10ms);
    EXPECT_EQ(task.get(), 7);
}

TYPED_TEST_P(RuntimeContract, ATaskCanBeCancelledFromAnotherThread) {
    auto steps = std::make_shared<std::atomic<int>>(0);
    auto task = runtime::Task<int>::spawn(this->loop.executor(), this->answerAfter(10s, 1, steps));
    std::thread canceller([task, steps] {
        while (steps->load() == 0) {
            std::this_thread::sleep_for(1ms);
        }
        task.cancel();
    });
    this->finish(task);
    canceller.join();
    EXPECT_THROW(task.get(), runtime::CancellationError);
    EXPECT_EQ(steps->load(), 1);
}

TYPED_TEST_P(RuntimeContract, ManyWaitersOnTheLoopGetTheOutcomeOfATaskElsewhere) {
    asio::thread_pool pool(2);
    auto task = runtime::Task<int>::spawn(pool.get_executor(), this->answerAfter(20ms, 5));
    auto first = runtime::Task<int>::spawn(this->loop.executor(), this->awaitValue(task));
    auto second = runtime::Task<int>::spawn(this->loop.executor(), this->awaitValue(task));
    this->finish(first);
    this->finish(second);
    EXPECT_EQ(first.get(), 5);
    EXPECT_EQ(second.get(), 5);
    pool.join();
}

TYPED_TEST_P(RuntimeContract, CancellingAWaiterLeavesTheTaskRunning) {
    auto task = runtime::Task<int>::spawn(this->loop.executor(), this->answerAfter(50ms, 9));
    auto waiter = runtime::Task<int>::spawn(this->loop.executor(), this->awaitValue(task));
    asio::steady_timer timer(this->loop.executor(), 5ms);
    timer.async_wait([waiter](const asio::error_code&) { waiter.cancel(); });
    this->finish(waiter);
    this->finish(task);
    EXPECT_THROW(waiter.get(), runtime::CancellationError);
    EXPECT_EQ(task.get(), 9);
}

TYPED_TEST_P(RuntimeContract, ADeadlineLetsFasterWorkDecide) {
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(this->run(runtime::withDeadline(this->answerAfter(5ms, 3), 10s)), 3);
    EXPECT_THROW(this->run(runtime::withDeadline(this->failAfter(5ms), 10s)), std::runtime_error);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s) << "the timer did not hold the work";
}

TYPED_TEST_P(RuntimeContract, ADeadlineThatPassesFirstCancelsTheWork) {
    auto steps = std::make_shared<std::atomic<int>>(0);
    EXPECT_THROW(this->run(runtime::withDeadline(this->answerAfter(10s, 1, steps), 20ms)),
                 runtime::DeadlineExceeded);
    EXPECT_EQ(steps->load(), 1); // started, never resumed past its wait
    EXPECT_THROW(this->run(runtime::withDeadline(this->answerAfter(10s, 1), 10s), 20ms),
                 runtime::CancellationError)
        << "cancelling the caller is a cancellation, not a time-out";
}

REGISTER_TYPED_TEST_SUITE_P(RuntimeContract, TasksReturnOrThrowTheOutcomeOfTheirWork,
                            ATaskCancelledBeforeItStartsNeverRunsItsBody,
                            ATaskCancelledWhileItWaitsEndsAtOnceWithCancellation,
                            ACancelledTaskThatHadFinishedKeepsItsValue,
                            ATaskCanBeCancelledFromAnotherThread,
                            ManyWaitersOnTheLoopGetTheOutcomeOfATaskElsewhere,
                            CancellingAWaiterLeavesTheTaskRunning, ADeadlineLetsFasterWorkDecide,
                            ADeadlineThatPassesFirstCancelsTheWork);

} // namespace deskmap::test
