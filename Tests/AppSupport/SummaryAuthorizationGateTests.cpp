#include "DeskmapAppSupport/Authorization/SummaryAuthorizationGate.hpp"
#include "DeskmapPlatform/Runtime/Cancellation.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"

#include <gtest/gtest.h>

#include <asio/io_context.hpp>
#include <asio/post.hpp>
#include <asio/thread_pool.hpp>
#include <atomic>
#include <thread>

namespace deskmap {
namespace {

using namespace std::chrono_literals;

// Summarizes after a pause; counts the runs that got to the end.
class SlowSummarizer final : public SpaceSummarizing {
public:
    std::chrono::milliseconds pause{0};
    std::atomic<int> completed{0};

    asio::awaitable<SummaryResult> summarize(Inventory) override {
        auto pausing = runtime::sleepFor(pause);
        co_await std::move(pausing);
        ++completed;
        co_return SummaryResult{"slow", {}};
    }
};

class SummaryAuthorizationGateTest : public testing::Test {
protected:
    asio::io_context io;
    SummaryAuthorizationGate gate{io.get_executor(), false};
    std::shared_ptr<SlowSummarizer> summarizer = std::make_shared<SlowSummarizer>();
};

TEST_F(SummaryAuthorizationGateTest, TokensLastOneAuthorizationPeriod) {
    EXPECT_EQ(gate.currentToken(), std::nullopt);
    gate.authorize();
    const auto first = gate.currentToken();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->generation, 0u);
    EXPECT_TRUE(gate.isCurrent(*first));

    gate.revoke();
    gate.authorize();
    EXPECT_EQ(gate.currentToken(), AuthorizationToken{1});
    EXPECT_FALSE(gate.isCurrent(*first));
    EXPECT_EQ(gate.makeSummaryTask(summarizer, {}, *first), std::nullopt);
    EXPECT_EQ(gate.runningTaskCount(), 0u);

    gate.revoke();
    gate.revoke(); // also when already unauthorized
    gate.authorize();
    EXPECT_EQ(gate.currentToken(), AuthorizationToken{3});
}

TEST_F(SummaryAuthorizationGateTest, RevokeCancelsEveryRegisteredRun) {
    summarizer->pause = 1h;
    gate.authorize();
    const auto token = *gate.currentToken();
    const auto first = gate.makeSummaryTask(summarizer, {}, token);
    const auto second = gate.makeSummaryTask(summarizer, {}, token);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(gate.runningTaskCount(), 2u);
    gate.revoke();
    EXPECT_EQ(gate.runningTaskCount(), 0u);
    gate.finish(*first); // no longer there: nothing happens
    io.run();
    EXPECT_THROW(first->task.get(), runtime::CancellationError);
    EXPECT_THROW(second->task.get(), runtime::CancellationError);
    EXPECT_EQ(summarizer->completed.load(), 0);
}

TEST_F(SummaryAuthorizationGateTest, FinishForgetsARunWithoutCancellingIt) {
    summarizer->pause = 20ms;
    gate.authorize();
    const auto handle = gate.makeSummaryTask(summarizer, {}, *gate.currentToken());
    ASSERT_TRUE(handle);
    gate.finish(*handle);
    gate.revoke();
    io.run();
    EXPECT_EQ(handle->task.get().model, "slow");
}

// Notes whether its work began, which it does before its first suspension.
class EagerSummarizer final : public SpaceSummarizing {
public:
    bool started = false;

    asio::awaitable<SummaryResult> summarize(Inventory) override {
        started = true;
        co_return SummaryResult{"eager", {}};
    }
};

TEST_F(SummaryAuthorizationGateTest, ARunStartedFromTheGatesExecutorBeginsAfterTheCallReturns) {
    // The app and the watch command start runs from the executor the gate
    // runs them on; the summary's work must not run inside makeSummaryTask,
    // where the gate's lock is held.
    auto eager = std::make_shared<EagerSummarizer>();
    gate.authorize();
    std::optional<bool> startedInsideTheCall;
    asio::post(io, [&] {
        const auto handle = gate.makeSummaryTask(eager, {}, *gate.currentToken());
        startedInsideTheCall = eager->started;
        EXPECT_TRUE(handle);
    });
    io.run();
    EXPECT_EQ(startedInsideTheCall, false);
    EXPECT_TRUE(eager->started);
}

TEST(SummaryAuthorizationGate, RevokeRacingNewRunsLeavesNoneBehind) {
    asio::thread_pool pool(2);
    SummaryAuthorizationGate gate(pool.get_executor(), true);
    auto summarizer = std::make_shared<SlowSummarizer>();
    summarizer->pause = 1h;
    std::atomic<bool> stop{false};
    std::vector<SummaryTaskHandle> handles;
    std::thread starter([&] {
        while (!stop) {
            if (const auto token = gate.currentToken()) {
                if (auto handle = gate.makeSummaryTask(summarizer, {}, *token)) {
                    handles.push_back(*handle);
                }
            }
        }
    });
    std::thread revoker([&] {
        for (int i = 0; i < 200; ++i) {
            gate.revoke();
            gate.authorize();
        }
        gate.revoke();
        stop = true;
    });
    revoker.join();
    starter.join();
    // Every run was either cancelled by a revoke or refused: none is left.
    EXPECT_EQ(gate.runningTaskCount(), 0u);
    pool.join();
    for (const auto& handle : handles) {
        EXPECT_THROW(handle.task.get(), runtime::CancellationError);
    }
}

} // namespace
} // namespace deskmap
