// Runs inside with-secret-service.sh: a private session bus with a real,
// unlocked keyring daemon.
#include "DeskmapAppSupport/Credentials/KeychainCredentialStore.hpp"
#include "DeskmapAppSupport/Credentials/SummaryConfiguration.hpp"
#include "DeskmapPlatform/Keychain/SecretServiceKeychain.hpp"
#include "Support/ChildProcess.hpp"
#include "Support/KeychainContract.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

namespace deskmap {
namespace {

using namespace std::chrono_literals;

TEST(SecretServiceKeychain, KeepsItemsTheWayAKeychainDoes) {
    ASSERT_NE(std::getenv("DBUS_SESSION_BUS_ADDRESS"), nullptr)
        << "run this under Tests/Support/with-secret-service.sh";
    platform::SecretServiceKeychain keychain;
    test::expectKeychainContract(keychain, "org.deskmap.tests.contract");
}

TEST(SecretServiceKeychain, KeysRoundTripThroughTheCredentialStore) {
    auto keychain = std::make_shared<platform::SecretServiceKeychain>();
    KeychainCredentialStore openAI(SummaryProvider::openAI, keychain);
    KeychainCredentialStore openRouter(SummaryProvider::openRouter, keychain);
    SummaryConfiguration configuration(std::make_shared<KeychainCredentialStore>(openAI));

    EXPECT_EQ(openAI.token(), std::nullopt);
    EXPECT_NO_THROW(openAI.remove()) << "removing a key never saved succeeds";
    openAI.save("sk-first");
    openAI.save("sk-second"); // updates the one item
    EXPECT_EQ(openAI.token(), "sk-second");
    EXPECT_EQ(openRouter.token(), std::nullopt);
    EXPECT_EQ(configuration.currentState().state.savedCredentialPresence,
              SavedCredentialPresence::saved);

    openAI.save("   ");
    EXPECT_EQ(openAI.token(), "   ") << "the store keeps the text unchanged";
    EXPECT_EQ(configuration.currentState().state.savedCredentialPresence,
              SavedCredentialPresence::notSaved);

    openAI.remove();
    EXPECT_EQ(openAI.token(), std::nullopt);
}

TEST(SecretServiceKeychain, ItemsCarryTheServiceAndAccountAttributes) {
    auto keychain = std::make_shared<platform::SecretServiceKeychain>();
    KeychainCredentialStore(SummaryProvider::openRouter, keychain).save("or-key");
    // An outside tool finds the item by the two attributes alone.
    const auto lookup = test::runProcess(
        "/usr/bin/dbus-send",
        {"--session", "--print-reply", "--dest=org.freedesktop.secrets", "/org/freedesktop/secrets",
         "org.freedesktop.Secret.Service.SearchItems",
         "dict:string:string:service,com.quillary.deskmap.openrouter,account,OpenRouter API key"});
    EXPECT_EQ(lookup.exitCode, 0) << lookup.err;
    EXPECT_NE(lookup.out.find("/org/freedesktop/secrets/collection/"), std::string::npos)
        << lookup.out;
    KeychainCredentialStore(SummaryProvider::openRouter, keychain).remove();
}

TEST(SecretServiceKeychain, WithoutASessionBusTheStoreFailsWithItsMessage) {
    const std::string address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string runtime =
        std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    ::setenv("XDG_RUNTIME_DIR", "/nonexistent", 1);
    auto keychain = std::make_shared<platform::SecretServiceKeychain>();
    KeychainCredentialStore store(SummaryProvider::openAI, keychain);
    try {
        (void)store.token();
        ADD_FAILURE() << "expected the store's error";
    } catch (const KeychainCredentialStore::Error& error) {
        EXPECT_EQ(error.errorDescription(), "The OpenAI API key could not be updated in Keychain.");
    }
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
}

} // namespace
} // namespace deskmap
