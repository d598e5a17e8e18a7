#include "Deskmap/Qt/Runtime/QtExecutor.hpp"
#include "QtTestSupport.hpp"
#include "Support/RuntimeContract.hpp"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <asio/post.hpp>
#include <asio/query.hpp>
#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace deskmap::test {

INSTANTIATE_TYPED_TEST_SUITE_P(QtEventLoop, RuntimeContract, QtMainLoop);

namespace {

using namespace std::chrono_literals;

TEST(QtExecutor, RunsPostedWorkOnTheLoopThreadInOrderNeverInline) {
    QtMainLoop loop;
    const auto loopThread = std::this_thread::get_id();
    std::vector<int> order;
    std::atomic<int> ranElsewhere{0};
    asio::post(loop.executor(), [&] { order.push_back(1); });
    EXPECT_TRUE(order.empty()) << "blocking.never: nothing runs inside post";
    std::thread other([&] {
        for (int i = 2; i <= 50; ++i) {
            asio::post(loop.executor(), [&, i] {
                ranElsewhere += std::this_thread::get_id() != loopThread;
                order.push_back(i);
            });
        }
    });
    other.join();
    EXPECT_TRUE(loop.runUntil([&] { return order.size() == 50; }, 5s));
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(order[static_cast<std::size_t>(i)], i + 1);
    }
    EXPECT_EQ(ranElsewhere, 0);
    EXPECT_TRUE(loop.context.get_executor().running_in_this_thread());
    bool elsewhere = true;
    std::thread([&] { elsewhere = loop.context.get_executor().running_in_this_thread(); }).join();
    EXPECT_FALSE(elsewhere);
    EXPECT_EQ(&asio::query(loop.context.get_executor(), asio::execution::context), &loop.context);
}

TEST(QtExecutor, WorkThatThrowsEndsTheLoopAndLeavesItsErrorForTheCaller) {
    qt::QtEventLoopContext context;
    asio::post(context.get_executor(), [] { throw std::runtime_error("broken"); });
    int ranAfter = 0;
    asio::post(context.get_executor(), [&] { ++ranAfter; });
    // Never needed: the failure ends the loop first.
    QTimer::singleShot(5000, [] { QCoreApplication::exit(0); });
    EXPECT_NE(QCoreApplication::exec(), 0);
    const auto failure = context.takeFailure();
    ASSERT_TRUE(failure);
    EXPECT_THROW(std::rethrow_exception(failure), std::runtime_error);
    EXPECT_FALSE(context.takeFailure()) << "taken once";
    QCoreApplication::processEvents();
    EXPECT_EQ(ranAfter, 1) << "later work is not lost";
}

TEST(QtExecutor, WorkQueuedWhenTheContextEndsIsDroppedWithoutRunning) {
    int ran = 0;
    auto token = std::make_shared<int>(0);
    const std::weak_ptr<int> held = token;
    {
        qt::QtEventLoopContext context;
        asio::post(context.get_executor(), [&ran, token] { ++ran; });
        token.reset();
        EXPECT_FALSE(held.expired()) << "the queued work holds what it captured";
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 0);
    EXPECT_TRUE(held.expired()) << "the work and what it held were released";
}

} // namespace
} // namespace deskmap::test
