// Starting, refreshing and stopping, and the threads everything runs on.
#include "ViewModelTestSupport.hpp"

namespace deskmap {
namespace {

using test::ViewModelTest;
using Status = RefreshSnapshot::Status;

TEST_F(ViewModelTest, StartsFromTheStoredChoicesAndSummarizesWithASavedKey) {
    defaults->set("automaticSummariesEnabled", true);
    defaults->set("firstTimeSetupCompleted", true);
    launchAtLogin->current = LaunchAtLoginStatus::enabled;
    saveKeyBeforeStart(SummaryProvider::openAI, "sk-saved");
    make();
    EXPECT_EQ(defaults->value("automaticSummariesEnabled"), std::nullopt) << "a retired key";
    EXPECT_EQ(viewModel->snapshot().status, Status::refreshing);
    EXPECT_EQ(viewModel->selectedSummaryProvider(), SummaryProvider::openAI);
    EXPECT_TRUE(viewModel->firstTimeSetupCompleted());
    EXPECT_EQ(viewModel->launchAtLoginStatus(), LaunchAtLoginStatus::enabled);
    EXPECT_TRUE(viewModel->windowTitleAccessGranted());

    ASSERT_TRUE(runUntil([&] { return summarized(); }));
    EXPECT_EQ(viewModel->savedCredentialPresence(), SavedCredentialPresence::saved);
    EXPECT_TRUE(viewModel->authorization().isAuthorized());
    EXPECT_EQ(summarizers->lastToken, "sk-saved");
    EXPECT_EQ(viewModel->snapshot().inventory->spaces.size(), 5u);
    EXPECT_TRUE(viewModel->firstTimeSetupReadiness().isComplete());
}

TEST_F(ViewModelTest, TheFirstRefreshWaitsForTheSavedKeyEvenFromASlowKeychain) {
    saveKeyBeforeStart(SummaryProvider::openAI, "sk-saved");
    // Reads for the settings view wait on an unlock prompt; the
    // coordinator's own reads (on the worker) are quick.
    const auto coordinatorThread = workerThread.get_id();
    keychain->beforeCall = [coordinatorThread] {
        if (std::this_thread::get_id() != coordinatorThread) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    };
    make();
    std::optional<RefreshSnapshot> firstEnd;
    ASSERT_TRUE(runUntil([&] {
        if (!firstEnd && viewModel->snapshot().status != Status::refreshing) {
            firstEnd = viewModel->snapshot();
        }
        return firstEnd.has_value();
    }));
    EXPECT_EQ(firstEnd->status, Status::ready);
    EXPECT_TRUE(firstEnd->summaries) << "the first pass already had its authorization";
}

TEST_F(ViewModelTest, AKeychainUnreadableAtStartIsAskedAgainUntilItAnswers) {
    saveKeyBeforeStart(SummaryProvider::openAI, "sk-saved");
    keychain->failure = platform::KeychainStatus::authFailed;
    make();
    ASSERT_TRUE(runUntil([&] { return viewModel->settingsMessage().has_value(); }));
    EXPECT_EQ(
        viewModel->settingsMessage(),
        "Could not read the saved OpenAI API key from the secret store (GNOME Keyring, KWallet).");
    EXPECT_EQ(viewModel->savedCredentialPresence(), SavedCredentialPresence::unknown);
    EXPECT_FALSE(viewModel->authorization().isAuthorized());

    // Settings shown while the store is still locked: asked, still unknown.
    const int calls = keychain->calls;
    viewModel->refreshSavedKeyStatus();
    ASSERT_TRUE(runUntil([&] { return keychain->calls > calls; }));
    EXPECT_EQ(viewModel->savedCredentialPresence(), SavedCredentialPresence::unknown);

    // Unlocked: the next refresh needs the key, and summaries come back
    // without the key being typed again.
    keychain->failure = platform::KeychainStatus::success;
    viewModel->refreshNow();
    ASSERT_TRUE(runUntil([&] { return summarized(); }));
    EXPECT_EQ(viewModel->savedCredentialPresence(), SavedCredentialPresence::saved);
    EXPECT_EQ(viewModel->settingsMessage(), std::nullopt);
    EXPECT_EQ(summarizers->lastToken, "sk-saved");
}

TEST_F(ViewModelTest, RefreshNowForcesANewSummary) {
    saveKeyBeforeStart(SummaryProvider::openAI, "sk-saved");
    make();
    ASSERT_TRUE(runUntil([&] { return summarized(); }));
    viewModel->refreshNow();
    ASSERT_TRUE(runUntil([&] {
        return summarized() && viewModel->snapshot().summaries->spaces[0].summary == "run 2";
    }));
    EXPECT_EQ(summarizers->built, 2);
}

TEST_F(ViewModelTest, ObserversHearEachChangeOnTheMainThread) {
    make();
    const auto mainThread = std::this_thread::get_id();
    // Shared, since the observer outlives the test body (shutdown publishes).
    const auto threads = std::make_shared<std::vector<std::thread::id>>();
    viewModel->addObserver(
        [threads](ViewModelProperty) { threads->push_back(std::this_thread::get_id()); });
    ASSERT_TRUE(runUntil([&] { return viewModel->snapshot().status == Status::needsSetup; }));
    ASSERT_FALSE(threads->empty());
    for (const auto& thread : *threads) {
        EXPECT_EQ(thread, mainThread);
    }
    changes.clear();
    viewModel->saveKey("   ", false);
    EXPECT_EQ(changes, std::vector{ViewModelProperty::settingsMessage});
    viewModel->saveKey(" \n ", false);
    EXPECT_EQ(changes.size(), 1u) << "an unchanged value is no change";
}

TEST_F(ViewModelTest, ShutdownWhileASummaryAndAVerificationRunEndsCleanly) {
    saveKeyBeforeStart(SummaryProvider::openAI, "sk-saved");
    summarizers->hold = true;
    make();
    ASSERT_TRUE(runUntil([&] { return summarizers->started == 1; }));
    runner->hold = true;
    viewModel->selectSummaryProvider(SummaryProvider::installedClient);
    ASSERT_TRUE(runUntil([&] { return runner->runs == 1; }));
    shutDown();
    EXPECT_EQ(summarizers->finished, 0) << "the run was cancelled, not waited out";
}

} // namespace
} // namespace deskmap
