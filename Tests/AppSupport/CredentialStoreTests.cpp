#include "DeskmapAppSupport/Credentials/KeychainCredentialStore.hpp"
#include "DeskmapAppSupport/Credentials/SelectedProviderCredentialStore.hpp"
#include "DeskmapAppSupport/Credentials/SummaryConfiguration.hpp"
#include "DeskmapAppSupport/Providers/UserDefaultsSettings.hpp"
#include "DeskmapCore/API/Credential.hpp"
#include "DeskmapPlatform/Keychain/InMemoryKeychain.hpp"
#include "DeskmapPlatform/UserDefaults/InMemoryUserDefaults.hpp"
#include "Support/KeychainContract.hpp"
#include "Support/ScriptedCoordination.hpp"

#include <gtest/gtest.h>

namespace deskmap {
namespace {

namespace status = platform::KeychainStatus;

// Answers every call with a scripted status and records the calls.
class ScriptedKeychain final : public platform::Keychain {
public:
    std::int32_t copyStatus = status::success;
    std::optional<std::vector<std::uint8_t>> copyData;
    std::int32_t addStatus = status::success;
    std::int32_t updateStatus = status::success;
    std::int32_t removeStatus = status::success;
    std::vector<std::string> calls;
    std::vector<platform::KeychainItemQuery> queries;
    std::vector<platform::KeychainItemAttributes> written;

    std::int32_t copyMatching(const platform::KeychainItemQuery& query,
                              std::optional<std::vector<std::uint8_t>>& data) override {
        record("copy", query);
        data = copyData;
        return copyStatus;
    }
    std::int32_t add(const platform::KeychainItemQuery& query,
                     const platform::KeychainItemAttributes& attributes) override {
        record("add", query);
        written.push_back(attributes);
        return addStatus;
    }
    std::int32_t update(const platform::KeychainItemQuery& query,
                        const platform::KeychainItemAttributes& attributes) override {
        record("update", query);
        written.push_back(attributes);
        return updateStatus;
    }
    std::int32_t remove(const platform::KeychainItemQuery& query) override {
        record("remove", query);
        return removeStatus;
    }

private:
    void record(std::string call, const platform::KeychainItemQuery& query) {
        calls.push_back(std::move(call));
        queries.push_back(query);
    }
};

TEST(InMemoryKeychain, KeepsItemsTheWayAKeychainDoes) {
    platform::InMemoryKeychain keychain;
    test::expectKeychainContract(keychain, "org.deskmap.tests");
    EXPECT_EQ(keychain.itemCount(), 0u);
}

class KeychainCredentialStoreTest : public testing::Test {
protected:
    std::shared_ptr<ScriptedKeychain> keychain = std::make_shared<ScriptedKeychain>();
    KeychainCredentialStore store{SummaryProvider::openRouter, keychain};

    void expectStoreError(const std::function<void()>& operation) {
        try {
            operation();
            ADD_FAILURE() << "expected the store's error";
        } catch (const KeychainCredentialStore::Error& error) {
            EXPECT_EQ(error.errorDescription(),
                      "The OpenRouter API key could not be read or updated in the secret store "
                      "(GNOME Keyring, KWallet).");
        }
    }
};

TEST_F(KeychainCredentialStoreTest, AProviderStoreAddressesItsOwnItem) {
    EXPECT_EQ(store.service(), "com.quillary.deskmap.openrouter");
    EXPECT_EQ(store.account(), "OpenRouter API key");
    EXPECT_EQ(store.providerName(), "OpenRouter");
    keychain->copyData = test::bytes(" or-key\n");
    EXPECT_EQ(store.token(), " or-key\n") << "returned unchanged, not trimmed";
    EXPECT_EQ(
        keychain->queries.at(0),
        (platform::KeychainItemQuery{"com.quillary.deskmap.openrouter", "OpenRouter API key"}));
}

TEST_F(KeychainCredentialStoreTest, ReadsMapStatusesToAbsentOrTheStoreError) {
    keychain->copyStatus = status::itemNotFound;
    EXPECT_EQ(store.token(), std::nullopt);

    keychain->copyStatus = status::authFailed;
    expectStoreError([&] { (void)store.token(); });

    keychain->copyStatus = status::success;
    keychain->copyData = std::nullopt;
    expectStoreError([&] { (void)store.token(); });
    keychain->copyData = test::bytes("bad \xC3\x28 utf-8");
    expectStoreError([&] { (void)store.token(); });
}

TEST_F(KeychainCredentialStoreTest, SavingAddsOrUpdatesTheOneItem) {
    store.save("k1");
    EXPECT_EQ(keychain->calls, std::vector<std::string>{"add"});
    EXPECT_EQ(keychain->written.at(0).data, test::bytes("k1"));
    EXPECT_EQ(keychain->written.at(0).accessibility,
              platform::KeychainAccessibility::whenUnlockedThisDeviceOnly);

    keychain->addStatus = status::duplicateItem;
    store.save("k2");
    EXPECT_EQ(keychain->calls, (std::vector<std::string>{"add", "add", "update"}));
    EXPECT_EQ(keychain->written.back().data, test::bytes("k2"));

    keychain->updateStatus = status::ioError;
    expectStoreError([&] { store.save("k3"); });
    keychain->addStatus = status::notAvailable;
    expectStoreError([&] { store.save("k4"); });
}

TEST_F(KeychainCredentialStoreTest, AKeyOfSeveralLinesIsNeverStored) {
    for (const auto& key :
         {std::string("sk-a\nb"), std::string("sk-a\rX-Evil: 1"), std::string("sk-a\0b", 6)}) {
        EXPECT_THROW(store.save(key), InvalidCredentialError) << key;
    }
    EXPECT_TRUE(keychain->calls.empty()) << "nothing reaches the store";
    store.save("  sk-line\r\n"); // line breaks around it are no part of it
    EXPECT_EQ(keychain->written.at(0).data, test::bytes("  sk-line\r\n"));
}

TEST_F(KeychainCredentialStoreTest, RemovingAMissingKeySucceeds) {
    keychain->removeStatus = status::itemNotFound;
    EXPECT_NO_THROW(store.remove());
    keychain->removeStatus = status::ioError;
    expectStoreError([&] { store.remove(); });
}

class SelectedProviderStoreTest : public testing::Test {
protected:
    std::shared_ptr<platform::InMemoryUserDefaults> defaults =
        std::make_shared<platform::InMemoryUserDefaults>();
    std::shared_ptr<UserDefaultsSummaryProviderSettings> settings =
        std::make_shared<UserDefaultsSummaryProviderSettings>(defaults);
    std::shared_ptr<test::ScriptedCredentials> openAI =
        std::make_shared<test::ScriptedCredentials>();
    std::shared_ptr<test::ScriptedCredentials> openRouter =
        std::make_shared<test::ScriptedCredentials>();
    std::shared_ptr<SelectedProviderCredentialStore> store =
        std::make_shared<SelectedProviderCredentialStore>(settings, openAI, openRouter);
    SummaryConfiguration configuration{store};
};

TEST_F(SelectedProviderStoreTest, FollowsTheProviderSelectedAtEachCall) {
    openAI->save("sk-openai");
    openRouter->save("sk-openrouter");
    EXPECT_EQ(store->token(), "sk-openai");
    settings->setSelectedProvider(SummaryProvider::openRouter);
    EXPECT_EQ(store->token(), "sk-openrouter");
    store->remove();
    EXPECT_EQ(openRouter->token(), std::nullopt);
    EXPECT_EQ(openAI->token(), "sk-openai");
}

TEST_F(SelectedProviderStoreTest, TheInstalledClientIsAlwaysReadyAndNeverStored) {
    openAI->remove();
    settings->setSelectedProvider(SummaryProvider::installedClient);
    EXPECT_EQ(store->token(), "installed-client-ready");
    store->save("ignored");
    store->remove();
    EXPECT_EQ(store->token(), "installed-client-ready");
    EXPECT_EQ(openAI->token(), std::nullopt);
    EXPECT_EQ(configuration.currentState(),
              (SummaryConfiguration::LoadResult{SummaryConfiguration::LoadResult::Kind::loaded,
                                                {SavedCredentialPresence::saved}}));
}

TEST_F(SelectedProviderStoreTest, ConfigurationReportsPresenceAndFailures) {
    using Load = SummaryConfiguration::LoadResult;
    using Removal = SummaryConfiguration::RemovalResult;
    EXPECT_EQ(configuration.currentState(),
              (Load{Load::Kind::loaded, {SavedCredentialPresence::saved}}));
    EXPECT_EQ(configuration.save(" \n"),
              SummaryConfiguration::State{SavedCredentialPresence::saved});
    EXPECT_EQ(openAI->token(), " \n") << "saved unchanged";
    EXPECT_EQ(configuration.currentState(),
              (Load{Load::Kind::loaded, {SavedCredentialPresence::notSaved}}));
    openAI->remove();
    EXPECT_EQ(configuration.currentState(),
              (Load{Load::Kind::loaded, {SavedCredentialPresence::notSaved}}));

    openAI->failReads(DeskmapError::collection("locked"));
    EXPECT_EQ(configuration.currentState(),
              (Load{Load::Kind::credentialReadFailed, {SavedCredentialPresence::unknown}}));

    EXPECT_EQ(configuration.removeCredential(SavedCredentialPresence::saved),
              (Removal{Removal::Kind::removed, {SavedCredentialPresence::notSaved}}));
}

TEST(SummaryConfiguration, AFailedRemovalKeepsThePriorPresence) {
    auto keychain = std::make_shared<ScriptedKeychain>();
    keychain->removeStatus = status::ioError;
    SummaryConfiguration configuration(
        std::make_shared<KeychainCredentialStore>(SummaryProvider::openAI, keychain));
    using Removal = SummaryConfiguration::RemovalResult;
    EXPECT_EQ(configuration.removeCredential(SavedCredentialPresence::saved),
              (Removal{Removal::Kind::removalFailed, {SavedCredentialPresence::saved}}));
    keychain->addStatus = status::ioError;
    EXPECT_THROW(configuration.save("k"), KeychainCredentialStore::Error);
}

} // namespace
} // namespace deskmap
