#include "DeskmapPlatform/Runtime/Cancellation.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"
#include "DeskmapPlatform/Runtime/CancellationSource.hpp"
#include "DeskmapPlatform/Runtime/Deadline.hpp"
#include "DeskmapPlatform/Runtime/Task.hpp"
#include "Support/RunAsync.hpp"

#include <gtest/gtest.h>

#include <asio/io_context.hpp>
#include <asio/thread_pool.hpp>
#include <atomic>
#include <future>
#include <thread>

namespace deskmap::runtime {
namespace {

using namespace std::chrono_literals;

asio::awaitable<int> answerAfter(std::chrono::milliseconds delay, int answer,
                                 std::shared_ptr<std::atomic<int>> steps = nullptr) {
    if (steps) {
        ++*steps;
    }
    co_await sleepFor(delay);
    if (steps) {
        ++*steps;
    }
    co_return answer;
}

asio::awaitable<int> failAfter(std::chrono::milliseconds delay) {
    co_await sleepFor(delay);
    throw std::runtime_error("failed");
}

TEST(Task, ReturnsTheOutcomeOfItsWork) {
    EXPECT_EQ(test::runAsync(answerAfter(1ms, 42)), 42);
    EXPECT_THROW(test::runAsync(failAfter(1ms)), std::runtime_error);
}

TEST(Task, CancelledBeforeItStartsNeverRunsItsBody) {
    asio::io_context io;
    auto steps = std::make_shared<std::atomic<int>>(0);
    auto task = Task<int>::spawn(io.get_executor(), answerAfter(1ms, 1, steps));
    task.cancel();
    io.run();
    EXPECT_THROW(task.get(), CancellationError);
    EXPECT_EQ(steps->load(), 0);
}

TEST(Task, CancelledDuringAWaitEndsAtOnceWithCancellation) {
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(test::runAsync(answerAfter(10s, 1), 20ms), CancellationError);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

TEST(Task, CancelledAfterCompletionKeepsItsValue) {
    asio::io_context io;
    auto task = Task<int>::spawn(io.get_executor(), answerAfter(0ms, 7));
    io.run();
    task.cancel();
    task.cancel();
    io.restart();
    io.run();
    EXPECT_EQ(task.get(), 7);
}

TEST(Task, CanBeCancelledFromAnotherThread) {
    asio::io_context io;
    auto steps = std::make_shared<std::atomic<int>>(0);
    auto task = Task<int>::spawn(io.get_executor(), answerAfter(10s, 1, steps));
    std::thread canceller([task, steps] {
        while (steps->load() == 0) {
            std::this_thread::sleep_for(1ms);
        }
        task.cancel();
    });
    io.run();
    canceller.join();
    EXPECT_THROW(task.get(), CancellationError);
    EXPECT_EQ(steps->load(), 1);
}

asio::awaitable<int> awaitValue(Task<int> task) {
    co_return co_await task.value();
}

TEST(Task, OutcomeCanBeAwaitedFromOtherExecutorsByManyWaiters) {
    asio::thread_pool pool(2);
    auto task = Task<int>::spawn(pool.get_executor(), answerAfter(20ms, 5));
    asio::io_context io;
    auto first = Task<int>::spawn(io.get_executor(), awaitValue(task));
    auto second = Task<int>::spawn(io.get_executor(), awaitValue(task));
    io.run();
    EXPECT_EQ(first.get(), 5);
    EXPECT_EQ(second.get(), 5);
    pool.join();
}

TEST(Task, CancellingAWaiterLeavesTheTaskRunning) {
    asio::io_context io;
    auto task = Task<int>::spawn(io.get_executor(), answerAfter(50ms, 9));
    auto waiter = Task<int>::spawn(io.get_executor(), awaitValue(task));
    asio::steady_timer timer(io, 5ms);
    timer.async_wait([waiter](const asio::error_code&) { waiter.cancel(); });
    io.run();
    EXPECT_THROW(waiter.get(), CancellationError);
    EXPECT_EQ(task.get(), 9);
}

TEST(Task, ReadingAnUnfinishedOrEmptyTaskIsAProgrammingError) {
    asio::io_context io;
    auto task = Task<int>::spawn(io.get_executor(), answerAfter(0ms, 1));
    EXPECT_THROW(task.get(), std::logic_error);
    EXPECT_THROW(Task<int>().cancel(), std::logic_error);
    io.run();
}

TEST(Deadline, WorkThatFinishesFirstIsNotHeldByTheTimer) {
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(test::runAsync(withDeadline(answerAfter(5ms, 3), 10s)), 3);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

TEST(Deadline, WorkThatFailsFirstEndsTheRaceAtOnce) {
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(test::runAsync(withDeadline(failAfter(5ms), 10s)), std::runtime_error);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

TEST(Deadline, ATimerThatFiresFirstCancelsTheWork) {
    auto steps = std::make_shared<std::atomic<int>>(0);
    EXPECT_THROW(test::runAsync(withDeadline(answerAfter(10s, 1, steps), 20ms)), DeadlineExceeded);
    EXPECT_EQ(steps->load(), 1); // started, never resumed past its wait
}

TEST(Deadline, CancellingTheCallerIsACancellationNotATimeOut) {
    EXPECT_THROW(test::runAsync(withDeadline(answerAfter(10s, 1), 10s), 20ms), CancellationError);
}

TEST(Cancellation, RecognizesCancellationOutcomes) {
    EXPECT_TRUE(isCancellation(std::make_exception_ptr(CancellationError())));
    EXPECT_TRUE(isCancellation(
        std::make_exception_ptr(asio::system_error(asio::error::operation_aborted))));
    EXPECT_FALSE(isCancellation(std::make_exception_ptr(std::runtime_error("x"))));
    EXPECT_FALSE(isCancellation(nullptr));
}

TEST(CancellationSource, RunsEachLiveHandlerOnceAndLateOnesAtOnce) {
    auto source = CancellationSource::make();
    int kept = 0;
    int dropped = 0;
    auto keep = source->onCancel([&] { ++kept; });
    {
        auto drop = source->onCancel([&] { ++dropped; });
    }
    EXPECT_FALSE(source->isCancelled());
    source->cancel();
    source->cancel();
    EXPECT_TRUE(source->isCancelled());
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(dropped, 0) << "a handler whose registration ended is not run";

    int late = 0;
    auto lateRegistration = source->onCancel([&] { ++late; });
    EXPECT_EQ(late, 1);
}

TEST(CancellationSource, RegistrationsRaceCancellationSafely) {
    auto source = CancellationSource::make();
    std::atomic<int> runs{0};
    std::thread registering([&] {
        for (int i = 0; i < 1000; ++i) {
            auto registration = source->onCancel([&] { ++runs; });
        }
    });
    std::thread cancelling([&] { source->cancel(); });
    registering.join();
    cancelling.join();
    EXPECT_TRUE(source->isCancelled());
    EXPECT_LE(runs, 1000);
}

} // namespace
} // namespace deskmap::runtime
