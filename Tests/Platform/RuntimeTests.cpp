#include "DeskmapPlatform/Runtime/Cancellation.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"
#include "DeskmapPlatform/Runtime/CancellationSource.hpp"
#include "Support/RunLoop.hpp"
#include "Support/RuntimeContract.hpp"

#include <gtest/gtest.h>

#include <asio/system_error.hpp>
#include <atomic>
#include <thread>

namespace deskmap::test {
INSTANTIATE_TYPED_TEST_SUITE_P(IoContext, RuntimeContract, IoContextMainLoop);
} // namespace deskmap::test

namespace deskmap::runtime {
namespace {

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
