#include "DeskmapAppSupport/RefreshCoordinator/RefreshCoordinator.hpp"
#include "Support/ScriptedCoordination.hpp"

#include <gtest/gtest.h>

#include <asio/io_context.hpp>
#include <asio/post.hpp>
#include <asio/thread_pool.hpp>
#include <future>
#include <thread>

namespace deskmap {
namespace {

using namespace std::chrono_literals;
using Status = RefreshSnapshot::Status;
using Association = RefreshSnapshot::SummaryAssociation;
using test::ScriptedCollector;
using test::ScriptedCredentials;
using test::ScriptedSummarizers;
using test::ScriptedWindowTitleAccess;

WindowEvidence window(std::uint32_t id, std::string app, std::string title, std::int64_t x = 0) {
    return WindowEvidence{id, std::move(app), std::move(title), WindowBounds{x, 0, 800, 600}};
}

// Two Spaces on one display, the first current.
Inventory desk(std::string terminalTitle = "build", std::int64_t terminalX = 0) {
    return Inventory{{
        SpaceInventory{1, "11", "D1", true, {window(101, "Terminal", terminalTitle, terminalX)}},
        SpaceInventory{2, "12", "D1", false, {window(102, "Mail", "Inbox")}},
    }};
}

SpaceTopology topology(std::vector<std::string> ids, std::set<std::string> current) {
    return SpaceTopology{std::move(ids), std::move(current), {}};
}

std::vector<Status> statuses(const std::vector<RefreshSnapshot>& snapshots) {
    std::vector<Status> result;
    for (const auto& snapshot : snapshots) {
        result.push_back(snapshot.status);
    }
    return result;
}

class RefreshCoordinatorTest : public testing::Test {
protected:
    RefreshCoordinatorTest() {
        collector->set(desk());
        coordinator = RefreshCoordinator::make(
            {io.get_executor(), io.get_executor(), background.get_executor()}, collector,
            credentials, gate, summarizers, access, [this] { return clock; },
            [this](const RefreshSnapshot& snapshot) {
                // Publishing happens on the main executor: this thread.
                EXPECT_EQ(std::this_thread::get_id(), testThread);
                published.push_back(snapshot);
            });
    }

    ~RefreshCoordinatorTest() override {
        collector->door.open();
        summarizers->hold = false;
        io.restart();
        io.run();
        background.join();
    }

    template <class T> runtime::Task<T> start(asio::awaitable<T> operation) {
        return runtime::Task<T>::spawn(io.get_executor(), std::move(operation));
    }

    void runUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (!done()) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "timed out";
            io.restart();
            io.run_one_for(5ms);
        }
    }

    // Lets work already posted run, such as a cancellation on its way.
    void settle() {
        const auto until = std::chrono::steady_clock::now() + 50ms;
        while (std::chrono::steady_clock::now() < until) {
            io.restart();
            io.run_one_for(5ms);
        }
    }

    template <class T> T finish(const runtime::Task<T>& task) {
        runUntil([&] { return task.isFinished(); });
        return task.get();
    }

    void refresh(bool manual) { finish(start(coordinator->refresh(manual))); }

    const RefreshSnapshot& last() const { return published.back(); }

    std::thread::id testThread = std::this_thread::get_id();
    asio::io_context io;
    asio::thread_pool background{2};
    std::chrono::system_clock::time_point clock{std::chrono::seconds(1'000'000)};
    std::shared_ptr<ScriptedCollector> collector = std::make_shared<ScriptedCollector>();
    std::shared_ptr<ScriptedCredentials> credentials = std::make_shared<ScriptedCredentials>();
    std::shared_ptr<SummaryAuthorizationGate> gate =
        std::make_shared<SummaryAuthorizationGate>(io.get_executor(), true);
    std::shared_ptr<ScriptedSummarizers> summarizers = std::make_shared<ScriptedSummarizers>();
    std::shared_ptr<ScriptedWindowTitleAccess> access =
        std::make_shared<ScriptedWindowTitleAccess>();
    std::vector<RefreshSnapshot> published;
    std::shared_ptr<RefreshCoordinator> coordinator;
    std::shared_ptr<RefreshCoordinator> coordinatorUnderTest; // for tests that make their own
};

TEST_F(RefreshCoordinatorTest, APassShowsWindowsFirstThenStoresTheSummary) {
    refresh(false);

    EXPECT_EQ(statuses(published),
              (std::vector{Status::refreshing, Status::refreshing, Status::ready}));
    EXPECT_EQ(published[0].inventory, std::nullopt);
    EXPECT_EQ(published[1].inventory, desk());
    EXPECT_EQ(published[1].summaries, std::nullopt);
    ASSERT_TRUE(last().summaries);
    EXPECT_EQ(last().summaries->spaces.at(0).label, "Work 1");
    EXPECT_EQ(last().summaryAssociation, Association::current);
    EXPECT_EQ(last().lastSuccessfulSummaryAt, clock);
    EXPECT_EQ(summarizers->lastToken, "sk-test");

    const auto snapshot = finish(start(coordinator->currentSnapshot()));
    EXPECT_EQ(snapshot, last());
}

TEST_F(RefreshCoordinatorTest, RequestsDuringAPassBecomeOneFollowUpForcedByAnyManualOne) {
    refresh(false);
    published.clear();

    collector->door.close();
    auto running = start(coordinator->refresh(false));
    runUntil([&] { return collector->door.waiting() == 1; });
    for (bool manual : {false, false, true, false}) {
        finish(start(coordinator->refresh(manual)));
    }
    collector->door.open();
    finish(running);

    EXPECT_EQ(collector->calls, 3);
    EXPECT_EQ(summarizers->built, 2) << "the follow-up pass must be forced";
    EXPECT_EQ(statuses(published),
              (std::vector{Status::refreshing, Status::refreshing, Status::ready,
                           Status::refreshing, Status::refreshing, Status::ready}));
    EXPECT_EQ(last().summaries->spaces.at(0).summary, "run 2");
}

TEST_F(RefreshCoordinatorTest, AutomaticRequestsDuringAPassFollowUpWithoutForcing) {
    collector->door.close();
    auto running = start(coordinator->refresh(false));
    runUntil([&] { return collector->door.waiting() == 1; });
    for (int request = 0; request < 3; ++request) {
        finish(start(coordinator->refresh(false)));
    }
    collector->door.open();
    finish(running);

    EXPECT_EQ(collector->calls, 2);
    EXPECT_EQ(summarizers->built, 1);
    EXPECT_EQ(last().status, Status::ready);
    EXPECT_EQ(last().summaryAssociation, Association::current);
}

TEST_F(RefreshCoordinatorTest, ManualRefreshForcesASummaryWhileAnAutomaticOneReusesIt) {
    refresh(false);
    const auto firstSummaryAt = clock;
    clock += 1h;

    refresh(false);
    EXPECT_EQ(summarizers->built, 1);
    EXPECT_EQ(last().status, Status::ready);
    EXPECT_EQ(last().summaryAssociation, Association::current);
    EXPECT_EQ(last().lastSuccessfulSummaryAt, firstSummaryAt);

    refresh(true);
    EXPECT_EQ(summarizers->built, 2);
    EXPECT_EQ(last().summaries->spaces.at(0).summary, "run 2");
    EXPECT_EQ(last().lastSuccessfulSummaryAt, clock);
}

TEST_F(RefreshCoordinatorTest, MovingWindowsOrRenamingSpacesNeedsNoSummaryButRetitlingDoes) {
    refresh(false);

    auto moved = desk("build", 640);
    moved.spaces[1].windows[0].windowID = 999;
    moved.spaces[1].windows[0].bounds.width = 300;
    const DesktopNames names{{{moved.spaces[0].id, "mail"}}, {}};
    collector->set(moved, names);
    refresh(false);
    EXPECT_EQ(summarizers->built, 1);
    EXPECT_EQ(last().inventory, moved);
    EXPECT_EQ(last().names, names) << "the names are published beside the inventory";
    EXPECT_EQ(last().summaries->spaces.at(0).evidence, moved.spaces[0].windows)
        << "reused summaries follow the windows";

    collector->set(desk("deploy"));
    refresh(false);
    EXPECT_EQ(summarizers->built, 2);
}

TEST_F(RefreshCoordinatorTest, OnlyWhatMayBeSentIsSummarizedAndWithheldChangesStartNone) {
    const auto withVault = [](const std::string& vault, const std::string& terminal) {
        auto inventory = desk(terminal);
        inventory.spaces[0].windows.push_back(window(103, "KeePassXC", vault));
        return inventory;
    };
    collector->set(withVault("Passwords.kdbx", "build"));
    refresh(false);
    ASSERT_TRUE(last().summaries && last().sent);
    EXPECT_EQ(last().summaries->spaces.at(0).evidence, desk().spaces[0].windows)
        << "the model is shown no password manager";
    EXPECT_EQ(last().sent->withheld, (std::vector<std::size_t>{1, 0}));
    EXPECT_EQ(last().inventory->spaces[0].windows.size(), 2u) << "the user still sees it";

    collector->set(withVault("Bank.kdbx", "build"));
    refresh(false);
    EXPECT_EQ(summarizers->built, 1) << "a withheld window's change starts no summary";
    EXPECT_EQ(last().summaryAssociation, Association::current);

    collector->set(withVault("Bank.kdbx", "deploy"));
    refresh(false);
    EXPECT_EQ(summarizers->built, 2) << "a sent window's change does";
}

TEST_F(RefreshCoordinatorTest, ABlankCredentialNeedsSetupAndClearsSummaries) {
    refresh(false);
    credentials->save(" \n\t ");

    refresh(false);
    EXPECT_EQ(last().status, Status::needsSetup);
    EXPECT_EQ(last().summaries, std::nullopt);
    EXPECT_EQ(last().summaryAssociation, Association::none);
    EXPECT_EQ(last().lastSuccessfulSummaryAt, std::nullopt);
    EXPECT_EQ(last().inventory, desk());

    credentials->remove();
    refresh(true);
    EXPECT_EQ(last().status, Status::needsSetup);
    EXPECT_EQ(summarizers->built, 1);
}

TEST_F(RefreshCoordinatorTest, ACredentialReadFailureKeepsTheSummariesMarkedStale) {
    refresh(false);
    const auto failure = DeskmapError::collection("keyring locked");
    credentials->failReads(failure);

    refresh(false);
    EXPECT_EQ(last().status, Status::credentialFailed);
    EXPECT_EQ(last().errorMessage, failure.errorDescription());
    EXPECT_EQ(last().summaryAssociation, Association::current) << "same evidence";
    ASSERT_TRUE(last().summaries);

    collector->set(desk("deploy"));
    refresh(false);
    EXPECT_EQ(last().status, Status::credentialFailed);
    EXPECT_EQ(last().summaryAssociation, Association::stale);
    EXPECT_EQ(last().summaries->spaces.at(0).summary, "run 1");
    EXPECT_EQ(last().lastSuccessfulSummaryAt, clock);
}

TEST_F(RefreshCoordinatorTest, ACollectionFailureKeepsEverything) {
    refresh(false);
    const auto before = last();
    collector->failure = DeskmapError::collection("window server gone");

    refresh(false);
    EXPECT_EQ(last().status, Status::collectionFailed);
    EXPECT_EQ(last().errorMessage, "Could not read this desktop's Spaces: window server gone");
    EXPECT_EQ(last().inventory, before.inventory);
    EXPECT_EQ(last().summaries, before.summaries);
}

TEST_F(RefreshCoordinatorTest, AFailedSummaryKeepsThePreviousOneAsStale) {
    refresh(false);
    collector->set(desk("deploy"));
    summarizers->failure = DeskmapError::transport("connection reset");

    refresh(false);
    EXPECT_EQ(last().status, Status::summaryFailed);
    EXPECT_EQ(last().errorMessage, "OpenAI request failed: connection reset");
    EXPECT_EQ(last().summaryAssociation, Association::stale);
    EXPECT_EQ(last().summaries->spaces.at(0).summary, "run 1");
    EXPECT_EQ(last().inventory, desk("deploy"));
    EXPECT_EQ(gate->runningTaskCount(), 0u);

    summarizers->failure.reset();
    summarizers->buildFailure = DeskmapError::missingCredential();
    refresh(true);
    EXPECT_EQ(last().status, Status::summaryFailed);
    EXPECT_EQ(last().errorMessage, DeskmapError::missingCredential().errorDescription());
}

TEST_F(RefreshCoordinatorTest, WithoutWindowTitlesOrAuthorizationNoSummaryIsMade) {
    access->granted = false;
    refresh(false);
    EXPECT_EQ(last().status, Status::needsWindowTitleAccess);

    access->granted = true;
    gate->revoke();
    refresh(true);
    EXPECT_EQ(last().status, Status::ready);
    EXPECT_EQ(last().summaries, std::nullopt);
    EXPECT_EQ(summarizers->built, 0);
}

TEST_F(RefreshCoordinatorTest, AnActiveSpaceChangeDuringCollectionIsNotUndone) {
    refresh(false);
    published.clear();

    collector->door.close();
    auto running = start(coordinator->refresh(false));
    runUntil([&] { return collector->door.waiting() == 1; });
    EXPECT_TRUE(finish(start(coordinator->activeSpaceChanged(topology({"11", "12"}, {"12"})))));
    ASSERT_FALSE(published.empty());
    EXPECT_TRUE(last().inventory->spaces[1].isCurrent);

    collector->door.open(); // the collected inventory still says Space 11
    finish(running);

    EXPECT_FALSE(last().inventory->spaces[0].isCurrent);
    EXPECT_TRUE(last().inventory->spaces[1].isCurrent);
    EXPECT_TRUE(last().summaries->spaces[1].isCurrent);
    EXPECT_FALSE(last().summaries->spaces[0].isCurrent);
}

TEST_F(RefreshCoordinatorTest, AnActiveSpaceChangeRepublishesTheSameStatus) {
    EXPECT_FALSE(finish(start(coordinator->activeSpaceChanged(topology({"11", "12"}, {"12"})))));
    EXPECT_TRUE(published.empty());

    refresh(false);
    const auto count = published.size();
    for (const auto& mismatch :
         {std::vector<std::string>{"11"}, std::vector<std::string>{"12", "11"},
          std::vector<std::string>{"11", "13"}, std::vector<std::string>{"11", "12", "13"}}) {
        EXPECT_FALSE(finish(start(coordinator->activeSpaceChanged(topology(mismatch, {"12"})))));
    }
    EXPECT_EQ(published.size(), count);

    EXPECT_TRUE(finish(start(coordinator->activeSpaceChanged(topology({"11", "12"}, {"12"})))));
    EXPECT_EQ(last().status, Status::ready);
    EXPECT_TRUE(last().inventory->spaces[1].isCurrent);
    EXPECT_TRUE(last().summaries->spaces[1].isCurrent);
    EXPECT_EQ(last().summaryAssociation, Association::current);
}

TEST_F(RefreshCoordinatorTest, AConfigurationChangeDuringASummaryDropsItAndRunsOneMorePass) {
    summarizers->hold = true;
    auto running = start(coordinator->refresh(false));
    runUntil([&] { return summarizers->started == 1; });

    auto changing = start(coordinator->summaryConfigurationChanged());
    runUntil([&] { return last().status == Status::refreshing && !last().summaries; });
    summarizers->hold = false;
    finish(running);
    finish(changing);

    EXPECT_EQ(collector->calls, 2);
    EXPECT_EQ(summarizers->started, 2);
    EXPECT_EQ(last().status, Status::ready);
    EXPECT_EQ(last().summaries->spaces.at(0).summary, "run 2");
    for (const auto& snapshot : published) {
        if (snapshot.summaries) {
            EXPECT_NE(snapshot.summaries->spaces.at(0).summary, "run 1")
                << "the first run's result is dropped";
        }
    }
}

TEST_F(RefreshCoordinatorTest, AConfigurationChangeDuringCollectionDropsTheCollectedInventory) {
    collector->door.close();
    auto running = start(coordinator->refresh(false));
    runUntil([&] { return collector->door.waiting() == 1; });
    auto changing = start(coordinator->summaryConfigurationChanged());
    runUntil([&] { return published.size() == 2; }); // the change's "refreshing"
    const auto changedAt = published.size();
    collector->set(desk("deploy")); // what the follow-up pass sees
    collector->door.open();
    finish(running);
    finish(changing);

    // The inventory collected before the change is never shown, and no
    // summary is made for it.
    EXPECT_EQ(collector->calls, 2);
    for (std::size_t position = changedAt; position < published.size(); ++position) {
        EXPECT_NE(published[position].inventory, desk()) << "snapshot " << position;
    }
    EXPECT_EQ(statuses(published),
              (std::vector{Status::refreshing, Status::refreshing, Status::refreshing,
                           Status::refreshing, Status::ready}));
    EXPECT_EQ(summarizers->started, 1);
    EXPECT_EQ(last().summaries->spaces.at(0).evidence, desk("deploy").spaces[0].windows);
}

TEST_F(RefreshCoordinatorTest, AConfigurationChangeWhileTheWindowsArePublishedStartsNoSummary) {
    // The change arrives while the pass waits for the main thread to take
    // the new windows, before any summary work.
    bool changed = false;
    std::optional<runtime::Task<void>> changing;
    auto observing = RefreshCoordinator::make(
        {io.get_executor(), io.get_executor(), background.get_executor()}, collector, credentials,
        gate, summarizers, access, [this] { return clock; },
        [&](const RefreshSnapshot& snapshot) {
            published.push_back(snapshot);
            if (!changed && snapshot.inventory) {
                changed = true;
                changing = start(coordinatorUnderTest->summaryConfigurationChanged());
            }
        });
    coordinatorUnderTest = observing;
    finish(start(observing->refresh(false)));
    finish(*changing);

    EXPECT_EQ(collector->calls, 2);
    EXPECT_EQ(summarizers->started, 1) << "only the follow-up pass summarizes";
    EXPECT_EQ(last().status, Status::ready);
    EXPECT_TRUE(last().summaries);
}

TEST_F(RefreshCoordinatorTest, AConfigurationChangeDuringAFailingSummaryShowsNoFailure) {
    summarizers->hold = true;
    summarizers->beforeReturning = [](int run) {
        if (run == 1) {
            throw DeskmapError::transport("connection reset");
        }
    };
    auto running = start(coordinator->refresh(false));
    runUntil([&] { return summarizers->started == 1; });
    auto changing = start(coordinator->summaryConfigurationChanged());
    runUntil([&] { return last().status == Status::refreshing && !last().summaries; });
    summarizers->hold = false;
    finish(running);
    finish(changing);

    for (const auto& snapshot : published) {
        EXPECT_NE(snapshot.status, Status::summaryFailed)
            << "the failure belongs to a configuration that is gone";
    }
    EXPECT_EQ(last().status, Status::ready);
    EXPECT_EQ(last().summaries->spaces.at(0).summary, "run 2");
}

TEST_F(RefreshCoordinatorTest, ASummaryThatOutlivesItsAuthorizationIsDropped) {
    // The run finishes normally although the gate was revoked and granted
    // again as it ended: its token is no longer current.
    summarizers->beforeReturning = [this](int) {
        gate->revoke();
        gate->authorize();
    };
    refresh(false);
    EXPECT_EQ(last().status, Status::ready);
    EXPECT_EQ(last().summaries, std::nullopt);
    EXPECT_EQ(last().lastSuccessfulSummaryAt, std::nullopt);
}

TEST_F(RefreshCoordinatorTest, AKeyReadWhileAnotherProviderWasChosenStartsNoSummary) {
    // The key read waits; meanwhile the user chose another provider and it
    // was authorized: the key read belongs to the one before.
    credentials->whileReading = [this] {
        std::promise<void> switched;
        asio::post(io, [&] {
            gate->revoke();
            gate->authorize();
            switched.set_value();
        });
        switched.get_future().wait();
    };
    refresh(false);
    EXPECT_EQ(last().status, Status::ready);
    EXPECT_EQ(last().summaries, std::nullopt);
    EXPECT_EQ(summarizers->built, 0);
}

TEST_F(RefreshCoordinatorTest, CancellingARunThatStillSucceedsRestores) {
    refresh(false);
    const auto before = last();
    summarizers->hold = true;
    summarizers->ignoreCancellation = true; // it returns a result all the same
    auto running = start(coordinator->refresh(true));
    runUntil([&] { return summarizers->started == 2; });
    running.cancel();
    settle();
    summarizers->hold = false;
    runUntil([&] { return running.isFinished(); });

    EXPECT_THROW(running.get(), runtime::CancellationError);
    EXPECT_EQ(summarizers->finished, 2);
    EXPECT_EQ(last(), before);
}

TEST_F(RefreshCoordinatorTest, ARevokedSummaryWithARequestPendingRunsItWithoutTheOldSummaries) {
    refresh(false);
    summarizers->hold = true;
    auto running = start(coordinator->refresh(true));
    runUntil([&] { return summarizers->started == 2; });
    finish(start(coordinator->refresh(false))); // pending
    gate->revoke();
    finish(running);

    EXPECT_EQ(collector->calls, 3) << "the pending request still runs";
    EXPECT_EQ(last().status, Status::ready);
    EXPECT_EQ(last().summaries, std::nullopt);
    EXPECT_EQ(last().summaryAssociation, Association::none);
}

TEST_F(RefreshCoordinatorTest, CancellingDuringCollectionRestoresThePreviousState) {
    refresh(false);
    const auto before = last();
    published.clear();

    collector->door.close();
    auto running = start(coordinator->refresh(true));
    runUntil([&] { return collector->door.waiting() == 1; });
    running.cancel();
    settle(); // the pass notices only once the collection returns
    collector->door.open();
    runUntil([&] { return running.isFinished(); });

    EXPECT_EQ(statuses(published), (std::vector{Status::refreshing, Status::ready}));
    EXPECT_EQ(last(), before);
    EXPECT_EQ(summarizers->built, 1);
}

TEST_F(RefreshCoordinatorTest, CancellingDuringTheSummaryCancelsItAndRestores) {
    refresh(false);
    // The restored state takes the current Space from the latest collection.
    auto before = last();
    before.inventory->spaces[0].isCurrent = false;
    before.inventory->spaces[1].isCurrent = true;
    before.summaries->spaces[0].isCurrent = false;
    before.summaries->spaces[1].isCurrent = true;
    auto switched = desk();
    switched.spaces[0].isCurrent = false;
    switched.spaces[1].isCurrent = true;
    collector->set(switched);

    summarizers->hold = true;
    auto running = start(coordinator->refresh(true));
    runUntil([&] { return summarizers->started == 2; });
    running.cancel();
    runUntil([&] { return running.isFinished(); });

    EXPECT_EQ(summarizers->finished, 1) << "the second run was cancelled";
    EXPECT_EQ(gate->runningTaskCount(), 0u);
    EXPECT_EQ(last(), before);
}

TEST_F(RefreshCoordinatorTest, ARevokedSummaryWithNothingPendingRestores) {
    refresh(false);
    const auto before = last();

    summarizers->hold = true;
    auto running = start(coordinator->refresh(true));
    runUntil([&] { return summarizers->started == 2; });
    gate->revoke();
    finish(running);

    EXPECT_EQ(last(), before);
}

} // namespace
} // namespace deskmap
