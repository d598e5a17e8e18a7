// The refresh triggers on the simulated desktop, with millisecond timings.
#include "DeskmapAppSupport/SpaceSwitcher/SwipeGesture.hpp"
#include "DeskmapAppSupport/Triggers/RefreshTriggers.hpp"
#include "DeskmapCore/Collection/MacOSSpaceCollector.hpp"
#include "DeskmapPlatform/Simulated/SimulatedWindowServer.hpp"
#include "Support/RunLoop.hpp"
#include "Support/ScriptedCoordination.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <asio/io_context.hpp>
#include <asio/thread_pool.hpp>

namespace deskmap {
namespace {

using namespace std::chrono_literals;

nlohmann::json oneDisplay(bool announcesStructureChanges = true) {
    auto scenario = nlohmann::json::parse(R"({
      "managedDisplaySpaces": [{"Display Identifier": "AAAA-1111",
        "Current Space": {"ManagedSpaceID": 2},
        "Spaces": [{"ManagedSpaceID": 1}, {"ManagedSpaceID": 2}, {"ManagedSpaceID": 3}]}],
      "windows": [{"kCGWindowLayer": 0, "kCGWindowNumber": 7, "kCGWindowOwnerName": "Terminal",
                   "kCGWindowName": "build", "kCGWindowAlpha": 1.0,
                   "kCGWindowBounds": {"X": 0, "Y": 0, "Width": 800, "Height": 600}}],
      "windowSpaces": {"7": [2]},
      "gestureDelayMs": 5})");
    scenario["announcesStructureChanges"] = announcesStructureChanges;
    return scenario;
}

// The simulated desktop's collector, counting full collections, with a Space
// that topology reads can be made to report in addition.
class CountingCollector final : public SpaceCollecting, public SpaceTopologyCollecting {
public:
    explicit CountingCollector(std::shared_ptr<platform::WindowServer> windowServer)
        : collector_(std::move(windowServer)) {}

    Inventory collect() override {
        ++collections;
        return collector_.collect();
    }
    SpaceTopology collectTopology() override {
        ++topologyReads;
        auto topology = collector_.collectTopology();
        if (extraSpace) {
            topology.spaceIDs.push_back("99");
            topology.displays.front().spaceIDs.push_back("99");
        }
        return topology;
    }

    std::atomic<int> collections{0};
    std::atomic<int> topologyReads{0};
    std::atomic<bool> extraSpace{false};

private:
    MacOSSpaceCollector collector_;
};

class RefreshTriggersTest : public testing::Test {
protected:
    ~RefreshTriggersTest() override {
        if (triggers) {
            auto stopping = runtime::Task<void>::spawn(io.get_executor(), triggers->stop());
            runUntil([&] { return stopping.isFinished(); });
        }
        background.join();
    }

    void start(RefreshTriggerTiming timing, bool announced = true) {
        windowServer = std::make_shared<platform::SimulatedWindowServer>(oneDisplay(announced));
        desktop = std::make_shared<CountingCollector>(windowServer);
        coordinator = RefreshCoordinator::make(
            {io.get_executor(), io.get_executor(), background.get_executor()}, desktop,
            std::make_shared<test::ScriptedCredentials>(), gate,
            std::make_shared<test::ScriptedSummarizers>(),
            std::make_shared<test::ScriptedWindowTitleAccess>(),
            [] { return std::chrono::system_clock::now(); },
            [this](const RefreshSnapshot& snapshot) { published.push_back(snapshot); });
        triggers = std::make_unique<RefreshTriggers>(io.get_executor(), background.get_executor(),
                                                     coordinator, desktop, windowServer, timing);
        triggers->start();
    }

    // Runs the loop until `done`, for at most `limit`; false when it never was.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
        return test::runUntil(io, done, limit);
    }

    void runFor(std::chrono::milliseconds duration) {
        runUntil([] { return false; }, duration);
    }

    bool ready() const {
        return !published.empty() && published.back().status == RefreshSnapshot::Status::ready;
    }

    std::optional<std::string> currentSpace() const {
        for (const auto& space : published.back().inventory->spaces) {
            if (space.isCurrent) {
                return space.id;
            }
        }
        return std::nullopt;
    }

    asio::io_context io;
    asio::thread_pool background{1};
    std::shared_ptr<platform::SimulatedWindowServer> windowServer =
        std::make_shared<platform::SimulatedWindowServer>(oneDisplay());
    std::shared_ptr<CountingCollector> desktop = std::make_shared<CountingCollector>(windowServer);
    std::shared_ptr<SummaryAuthorizationGate> gate =
        std::make_shared<SummaryAuthorizationGate>(io.get_executor(), true);
    std::shared_ptr<RefreshCoordinator> coordinator;
    std::unique_ptr<RefreshTriggers> triggers;
    std::vector<RefreshSnapshot> published;
};

TEST_F(RefreshTriggersTest, PollsAgainAnIntervalAfterEachRefresh) {
    start({20ms, 1h});
    EXPECT_TRUE(runUntil([&] { return desktop->collections >= 4; }))
        << desktop->collections << " collections";
}

TEST_F(RefreshTriggersTest, AChangedDisplayStructureRefreshesAndTheCurrentSpaceAloneDoesNot) {
    start({1h, 5ms}, false);
    ASSERT_TRUE(runUntil([&] { return ready(); }));
    runFor(50ms); // several structure readings of an unchanged desktop
    const int settled = desktop->collections;
    EXPECT_LE(settled, 2) << "the poll and the first structure reading at most";

    // Another Space became current: the notification moves the marks without
    // collecting, and the structure watch does not react.
    ASSERT_TRUE(SwipeGesture::post(*windowServer, SpaceSwitchDirection::right));
    ASSERT_TRUE(runUntil([&] { return ready() && currentSpace() == "3"; }));
    runFor(50ms);
    EXPECT_EQ(desktop->collections, settled);

    desktop->extraSpace = true; // a Space was added
    EXPECT_TRUE(runUntil([&] { return desktop->collections > settled; }, 3s));
}

TEST_F(RefreshTriggersTest, ADesktopThatAnnouncesItsStructureIsNeverPolled) {
    start({1h, 5ms});
    ASSERT_TRUE(runUntil([&] { return ready() && desktop->topologyReads >= 1; }));
    runFor(30ms); // the start-up refreshes end
    const int reads = desktop->topologyReads;
    const int collections = desktop->collections;
    // A change announced: one reading, and it finds a Space added.
    desktop->extraSpace = true;
    ASSERT_TRUE(SwipeGesture::post(*windowServer, SpaceSwitchDirection::right));
    ASSERT_TRUE(runUntil([&] { return desktop->collections > collections; }, 3s));
    ASSERT_TRUE(runUntil([&] { return ready(); }));
    EXPECT_EQ(desktop->topologyReads, reads + 1)
        << "read once for the announcement; at 5 ms a poll would have read many times";
}

TEST_F(RefreshTriggersTest, AnActiveSpaceChangeTheCoordinatorCannotAbsorbRefreshes) {
    start({1h, 1h});
    ASSERT_TRUE(runUntil([&] { return ready(); }));
    runFor(20ms);
    const int settled = desktop->collections;

    // The topology read on the notification no longer matches the inventory.
    desktop->extraSpace = true;
    ASSERT_TRUE(SwipeGesture::post(*windowServer, SpaceSwitchDirection::left));
    EXPECT_TRUE(runUntil([&] { return desktop->collections > settled; }, 3s));
    EXPECT_TRUE(runUntil([&] { return ready() && currentSpace() == "1"; }));
}

TEST_F(RefreshTriggersTest, StoppingEndsEveryTaskAndStopsListening) {
    start({5ms, 5ms});
    ASSERT_TRUE(runUntil([&] { return desktop->collections >= 2; }));
    auto stopping = runtime::Task<void>::spawn(io.get_executor(), triggers->stop());
    ASSERT_TRUE(runUntil([&] { return stopping.isFinished(); }));
    EXPECT_NO_THROW(stopping.get());
    runFor(30ms);
    const int stopped = desktop->collections;
    ASSERT_TRUE(SwipeGesture::post(*windowServer, SpaceSwitchDirection::right));
    runFor(60ms);
    EXPECT_EQ(desktop->collections, stopped);
    triggers.reset();
}

} // namespace
} // namespace deskmap
