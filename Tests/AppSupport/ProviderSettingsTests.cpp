#include "DeskmapAppSupport/Providers/PrivacySettings.hpp"
#include "DeskmapAppSupport/Providers/UserDefaultsSettings.hpp"
#include "DeskmapPlatform/UserDefaults/InMemoryUserDefaults.hpp"
#include "Support/FailingUserDefaults.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <thread>

namespace deskmap {
namespace {

TEST(SummaryProviderDeathTest, TheInstalledClientHasNoKeychainService) {
    EXPECT_DEATH((void)keychainService(SummaryProvider::installedClient),
                 "no secret store service");
}

class SettingsTest : public testing::Test {
protected:
    std::shared_ptr<platform::InMemoryUserDefaults> defaults =
        std::make_shared<platform::InMemoryUserDefaults>();
    UserDefaultsSummaryProviderSettings providers{defaults};
    UserDefaultsInstalledClientSettings clients{defaults};
    UserDefaultsFirstTimeSetupSettings setup{defaults};
};

TEST_F(SettingsTest, UnknownValuesReadAsTheFirstCaseAndStayStored) {
    EXPECT_EQ(providers.selectedProvider(), SummaryProvider::openAI);
    EXPECT_EQ(clients.selectedInstalledClient(), InstalledClient::codex);
    EXPECT_FALSE(setup.isCompleted());

    for (const nlohmann::json& odd : {nlohmann::json("OpenRouter"), nlohmann::json(3),
                                      nlohmann::json::array(), nlohmann::json(nullptr)}) {
        defaults->set("summaryProvider", odd);
        defaults->set("installedSummaryClient", odd);
        defaults->set("firstTimeSetupCompleted", odd);
        EXPECT_EQ(providers.selectedProvider(), SummaryProvider::openAI) << odd;
        EXPECT_EQ(clients.selectedInstalledClient(), InstalledClient::codex) << odd;
        EXPECT_FALSE(setup.isCompleted()) << odd;
        EXPECT_EQ(defaults->value("summaryProvider"), odd) << "not rewritten";
    }
}

TEST_F(SettingsTest, EveryProviderChosenIsReadBack) {
    for (const auto provider : allSummaryProviders) {
        providers.setSelectedProvider(provider);
        EXPECT_EQ(UserDefaultsSummaryProviderSettings(defaults).selectedProvider(), provider)
            << rawValue(provider);
    }
}

TEST(UnsavedSettings, AChoiceThatCannotBeStoredStillHolds) {
    const auto defaults = std::make_shared<test::FailingUserDefaults>();
    UserDefaultsSummaryProviderSettings providers(defaults);
    UserDefaultsInstalledClientSettings clients(defaults);
    UserDefaultsFirstTimeSetupSettings setup(defaults);
    defaults->failWrites = true;
    EXPECT_THROW(providers.setSelectedProvider(SummaryProvider::openRouter),
                 platform::UserDefaultsError);
    EXPECT_THROW(clients.setSelectedInstalledClient(InstalledClient::cursor),
                 platform::UserDefaultsError);
    EXPECT_THROW(setup.setCompleted(), platform::UserDefaultsError);
    EXPECT_EQ(providers.selectedProvider(), SummaryProvider::openRouter);
    EXPECT_EQ(clients.selectedInstalledClient(), InstalledClient::cursor);
    EXPECT_TRUE(setup.isCompleted());
    EXPECT_EQ(defaults->value("summaryProvider"), std::nullopt);

    // Once the store works again, what is stored is what holds.
    defaults->failWrites = false;
    providers.setSelectedProvider(SummaryProvider::installedClient);
    EXPECT_EQ(defaults->string("summaryProvider"), "installed-client");
    defaults->set("summaryProvider", "openai");
    EXPECT_EQ(providers.selectedProvider(), SummaryProvider::openAI);
}

// Choices are made on the thread that paints and read by summary passes on
// the worker: the thread sanitizer build checks that this is safe.
TEST(UnsavedSettings, AChoiceIsReadSafelyWhileAnotherThreadMakesIt) {
    const auto defaults = std::make_shared<test::FailingUserDefaults>();
    UserDefaultsSummaryProviderSettings providers(defaults);
    UserDefaultsInstalledClientSettings clients(defaults);
    std::atomic<bool> done = false;
    std::atomic<int> reads = 0;
    std::thread reader([&] {
        while (!done) {
            (void)providers.selectedProvider();
            (void)clients.selectedInstalledClient();
            ++reads;
        }
    });
    auto last = SummaryProvider::openAI;
    for (int round = 0; round < 500 || reads < 10; ++round) {
        defaults->failWrites = round % 2 == 0;
        last = round % 3 == 0 ? SummaryProvider::openRouter : SummaryProvider::openAI;
        try {
            providers.setSelectedProvider(last);
            clients.setSelectedInstalledClient(round % 3 == 0 ? InstalledClient::cursor
                                                              : InstalledClient::codex);
        } catch (const platform::UserDefaultsError&) {
        }
    }
    done = true;
    reader.join();
    EXPECT_EQ(providers.selectedProvider(), last) << "the last choice holds, stored or not";
}

TEST_F(SettingsTest, PrivacyRulesKeepTheirDefaultsUnlessAWellFormedValueIsStored) {
    using PrivacySettings::load;
    EXPECT_EQ(load(*defaults), (PrivacySettings::Loaded{PrivacyRules::defaults(), {}}))
        << "a new user is protected";

    defaults->set("excludedApps", nlohmann::json::array());
    defaults->set("excludedTitlePatterns", nlohmann::json{"*bank*"});
    defaults->set("redactIdentifiers", true);
    EXPECT_EQ(load(*defaults), (PrivacySettings::Loaded{{{}, {"*bank*"}, true}, {}}))
        << "an empty list means none";

    defaults->set("excludedApps", "KeePassXC");
    defaults->set("excludedTitlePatterns", nlohmann::json{"Incognito", 3});
    defaults->set("redactIdentifiers", "yes");
    const auto malformed = load(*defaults);
    EXPECT_EQ(malformed.rules, PrivacyRules::defaults());
    EXPECT_EQ(
        malformed.malformedKeys,
        (std::vector<std::string>{"excludedApps", "excludedTitlePatterns", "redactIdentifiers"}));

    PrivacySettings::save(*defaults, {{"Vault"}, {}, true});
    EXPECT_EQ(load(*defaults).rules, (PrivacyRules{{"Vault"}, {}, true}));
    PrivacySettings::restoreDefaults(*defaults);
    EXPECT_EQ(load(*defaults).rules, PrivacyRules::defaults());
}

} // namespace
} // namespace deskmap
