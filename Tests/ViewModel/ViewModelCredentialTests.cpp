// Providers, keys and the installed client's check, and the gate following
// each of them.
#include "Support/FakeLoader.hpp"
#include "ViewModelTestSupport.hpp"

namespace deskmap {
namespace {

using namespace std::chrono_literals;
using test::ViewModelTest;
using Kind = InstalledClientVerificationState::Kind;

class ViewModelKeyTest : public ViewModelTest {
protected:
    void startWithKey() {
        saveKeyBeforeStart(SummaryProvider::openAI, "sk-saved");
        make();
        ASSERT_TRUE(runUntil([&] { return summarized(); }));
    }

    std::optional<std::string> storedKey(SummaryProvider provider) {
        return KeychainCredentialStore(provider, keychain->unwatched()).token();
    }
};

TEST_F(ViewModelKeyTest, AKeyOfSpacesOnlyOrOfSeveralLinesChangesNothing) {
    startWithKey();
    settle(); // the first passes read the key too
    const int calls = keychain->calls;
    viewModel->saveKey(" \t\n ", true);
    EXPECT_EQ(viewModel->settingsMessage(), "Enter an API key.");
    viewModel->saveKey("sk-one\nsk-two", true);
    EXPECT_EQ(viewModel->settingsMessage(),
              "The API key holds a line break or another control character. An API key is a "
              "single line of text: copy it again.");
    EXPECT_TRUE(viewModel->authorization().isAuthorized());
    EXPECT_EQ(keychain->calls, calls);
    EXPECT_EQ(storedKey(SummaryProvider::openAI), "sk-saved");
    EXPECT_EQ(titleAccess->requests, 0);
}

TEST_F(ViewModelKeyTest, AFailedSaveRevokesAndSaysSo) {
    startWithKey();
    keychain->failure = platform::KeychainStatus::ioError;
    viewModel->saveKey("sk-other", false);
    ASSERT_TRUE(runUntil([&] { return viewModel->settingsMessage().has_value(); }));
    EXPECT_EQ(
        viewModel->settingsMessage(),
        "Could not save the API key to the secret store (GNOME Keyring, KWallet). Try again.");
    EXPECT_EQ(viewModel->savedCredentialPresence(), SavedCredentialPresence::unknown);
    EXPECT_FALSE(viewModel->authorization().isAuthorized());
}

TEST_F(ViewModelKeyTest, SavingCanAskForWindowTitlesAndSaysWhenTheyStayClosed) {
    titleAccess->granted = false;
    make();
    viewModel->saveKey("sk-new", true);
    ASSERT_TRUE(runUntil([&] { return viewModel->settingsMessage().has_value(); }));
    EXPECT_EQ(titleAccess->requests, 1);
    EXPECT_EQ(viewModel->settingsMessage(),
              "Allow window title access so Deskmap can read window titles. Screenshots are "
              "never captured.");
    EXPECT_FALSE(viewModel->authorization().isAuthorized()) << "no titles, no summaries";

    titleAccess->grantOnRequest = true;
    viewModel->saveKey("sk-new", true);
    ASSERT_TRUE(runUntil([&] { return !viewModel->settingsMessage().has_value(); }));
    EXPECT_TRUE(viewModel->windowTitleAccessGranted());
    EXPECT_TRUE(viewModel->authorization().isAuthorized());
}

TEST_F(ViewModelKeyTest, ClearingRemovesTheKeyOrKeepsThePresenceItHad) {
    startWithKey();
    keychain->failure = platform::KeychainStatus::ioError;
    viewModel->clearKey();
    ASSERT_TRUE(runUntil([&] { return viewModel->settingsMessage().has_value(); }));
    EXPECT_EQ(
        viewModel->settingsMessage(),
        "Could not clear the API key from the secret store (GNOME Keyring, KWallet). Try again.");
    EXPECT_EQ(viewModel->savedCredentialPresence(), SavedCredentialPresence::saved);

    keychain->failure = platform::KeychainStatus::success;
    viewModel->clearKey();
    ASSERT_TRUE(runUntil(
        [&] { return viewModel->savedCredentialPresence() == SavedCredentialPresence::notSaved; }));
    EXPECT_EQ(viewModel->settingsMessage(), std::nullopt);
    EXPECT_EQ(storedKey(SummaryProvider::openAI), std::nullopt);
    EXPECT_FALSE(viewModel->authorization().isAuthorized());
    ASSERT_TRUE(runUntil(
        [&] { return viewModel->snapshot().status == RefreshSnapshot::Status::needsSetup; }));
    EXPECT_FALSE(viewModel->snapshot().summaries);
}

TEST_F(ViewModelKeyTest, SelectingTheSelectedProviderDoesNothingAtAll) {
    startWithKey();
    viewModel->saveKey("", false); // a message to keep
    settle();
    changes.clear();
    viewModel->selectSummaryProvider(SummaryProvider::openAI);
    settle();
    EXPECT_TRUE(viewModel->authorization().isAuthorized());
    EXPECT_EQ(viewModel->settingsMessage(), "Enter an API key.");
    EXPECT_EQ(changes, std::vector<ViewModelProperty>());
    EXPECT_EQ(summarizers->built, 1) << "no new summary either";
}

TEST_F(ViewModelKeyTest, AnotherProviderBringsItsOwnKeyAndAStoredChoice) {
    startWithKey();
    viewModel->selectSummaryProvider(SummaryProvider::openRouter);
    EXPECT_FALSE(viewModel->authorization().isAuthorized()) << "revoked at once";
    EXPECT_EQ(viewModel->savedCredentialPresence(), SavedCredentialPresence::unknown)
        << "OpenAI's key says nothing about OpenRouter's";
    EXPECT_FALSE(viewModel->firstTimeSetupReadiness().providerConnected);
    EXPECT_EQ(defaults->string("summaryProvider"), "openrouter");
    ASSERT_TRUE(runUntil(
        [&] { return viewModel->savedCredentialPresence() == SavedCredentialPresence::notSaved; }));
    ASSERT_TRUE(runUntil(
        [&] { return viewModel->snapshot().status == RefreshSnapshot::Status::needsSetup; }));

    viewModel->saveKey("or-key", false);
    ASSERT_TRUE(runUntil([&] { return summarized(); }));
    EXPECT_EQ(storedKey(SummaryProvider::openRouter), "or-key");
    EXPECT_EQ(storedKey(SummaryProvider::openAI), "sk-saved");
    EXPECT_EQ(summarizers->lastToken, "or-key");
}

TEST_F(ViewModelKeyTest, ASaveThatEndsAfterAnotherProviderWasChosenSaysNothing) {
    startWithKey();
    keychain->failure = platform::KeychainStatus::authFailed;
    viewModel->saveKey("sk-other", false);
    viewModel->selectSummaryProvider(SummaryProvider::openRouter);
    // The keychain answers in order: by OpenRouter's read, the save has
    // answered too.
    ASSERT_TRUE(runUntil([&] { return viewModel->settingsMessage().has_value(); }));
    EXPECT_EQ(viewModel->settingsMessage(),
              "Could not read the saved API key from the secret store (GNOME Keyring, KWallet).")
        << "the failed OpenAI save is not OpenRouter's news";
    EXPECT_EQ(viewModel->savedCredentialPresence(), SavedCredentialPresence::unknown);
    EXPECT_FALSE(viewModel->authorization().isAuthorized());
}

TEST_F(ViewModelKeyTest, AModelListFromAnAddressSinceLeftIsDropped) {
    auto loader = std::make_shared<test::FakeLoader>();
    loader->delay = 200ms;
    loader->answer = [] { return HTTPDataLoad{R"({"data": [{"id": "other-model"}]})", {200}}; };
    http = loader;
    make();
    viewModel->selectSummaryProvider(SummaryProvider::local);
    int answers = 0;
    const auto count = [&](const std::vector<std::string>&, std::optional<std::string>) {
        ++answers;
    };
    viewModel->listLocalModels(count);
    ASSERT_TRUE(viewModel->setLocalServerAddress("http://192.0.2.7:8080"));
    settle(400ms);
    EXPECT_EQ(loader->calls, 1);
    EXPECT_EQ(answers, 0);
    EXPECT_EQ(viewModel->summaryModel(SummaryProvider::local), "") << "not this server's model";

    viewModel->listLocalModels(count);
    ASSERT_TRUE(runUntil([&] { return answers == 1; }));
    EXPECT_EQ(viewModel->summaryModel(SummaryProvider::local), "other-model");
}

TEST_F(ViewModelKeyTest, AChoiceThatCannotBeStoredHoldsAndSaysSo) {
    startWithKey();
    defaults->failWrites = true;
    viewModel->selectSummaryProvider(SummaryProvider::openRouter);
    ASSERT_TRUE(runUntil([&] { return viewModel->settingsMessage().has_value(); }));
    EXPECT_EQ(viewModel->settingsMessage()->rfind("Could not save the setting, so it lasts only "
                                                  "until Deskmap quits: ",
                                                  0),
              0u)
        << *viewModel->settingsMessage();
    EXPECT_EQ(viewModel->selectedSummaryProvider(), SummaryProvider::openRouter);
    EXPECT_EQ(providerSettings->selectedProvider(), SummaryProvider::openRouter);
}

class ViewModelClientTest : public ViewModelTest {
protected:
    void startWithInstalledClient() {
        defaults->set("summaryProvider", "installed-client");
        make();
    }
};

TEST_F(ViewModelClientTest, TheSelectedClientIsCheckedBeforeAnySummary) {
    runner->hold = true;
    startWithInstalledClient();
    ASSERT_TRUE(runUntil(
        [&] { return viewModel->installedClientVerification().kind() == Kind::checking; }));
    EXPECT_FALSE(viewModel->authorization().isAuthorized());
    EXPECT_EQ(summarizers->built, 0);
    runner->hold = false;
    ASSERT_TRUE(runUntil([&] { return summarized(); }));
    EXPECT_EQ(viewModel->installedClientVerification().kind(), Kind::available);
    EXPECT_TRUE(viewModel->authorization().isAuthorized());
    EXPECT_TRUE(viewModel->firstTimeSetupReadiness().providerConnected);
}

TEST_F(ViewModelClientTest, ARecheckKeepsSummariesUntilItFails) {
    startWithInstalledClient();
    ASSERT_TRUE(runUntil([&] { return summarized(); }));
    runner->hold = true;
    viewModel->verifyInstalledClient();
    EXPECT_EQ(viewModel->installedClientVerification().kind(), Kind::rechecking);
    EXPECT_TRUE(viewModel->authorization().isAuthorized());

    runner->signedIn = false;
    runner->hold = false;
    ASSERT_TRUE(runUntil(
        [&] { return viewModel->installedClientVerification().kind() == Kind::unavailable; }));
    EXPECT_EQ(viewModel->installedClientVerification().message(),
              "Codex is not signed in. Sign in with its command-line client, then check again.");
    EXPECT_FALSE(viewModel->authorization().isAuthorized());
}

TEST_F(ViewModelClientTest, ChoosingAnotherClientCancelsTheCheckAndIgnoresItsResult) {
    runner->hold = true;
    startWithInstalledClient();
    ASSERT_TRUE(runUntil([&] { return runner->runs == 1; }));
    viewModel->selectInstalledClient(InstalledClient::cursor);
    EXPECT_EQ(defaults->string("installedSummaryClient"), "cursor");
    EXPECT_EQ(viewModel->installedClientVerification().kind(), Kind::checking);
    ASSERT_TRUE(runUntil([&] { return runner->runs == 2; }));
    // The first check ended by cancellation; only the second one reports.
    runner->signedIn = false;
    runner->hold = false;
    ASSERT_TRUE(runUntil(
        [&] { return viewModel->installedClientVerification().kind() == Kind::unavailable; }));
    EXPECT_EQ(viewModel->installedClientVerification().message(),
              "Cursor Agent is not signed in. Sign in with its command-line client, then check "
              "again.");
    settle();
    EXPECT_EQ(viewModel->installedClientVerification().kind(), Kind::unavailable);
    EXPECT_EQ(runner->runs, 2);
}

TEST_F(ViewModelClientTest, ChoosingTheSelectedClientAgainChangesNothing) {
    startWithInstalledClient();
    ASSERT_TRUE(runUntil([&] { return summarized(); }));
    const int runs = runner->runs;
    viewModel->selectInstalledClient(InstalledClient::codex);
    settle();
    EXPECT_EQ(viewModel->installedClientVerification().kind(), Kind::available);
    EXPECT_TRUE(viewModel->authorization().isAuthorized());
    EXPECT_EQ(runner->runs, runs);
}

TEST_F(ViewModelClientTest, AnHTTPProviderNeverStartsACheck) {
    make();
    settle();
    viewModel->verifyInstalledClient();
    settle();
    EXPECT_EQ(runner->runs, 0);
    EXPECT_EQ(viewModel->installedClientVerification().kind(), Kind::unchecked);
}

} // namespace
} // namespace deskmap
