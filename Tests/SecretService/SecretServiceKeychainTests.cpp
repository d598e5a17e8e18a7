// Runs inside with-secret-service.sh: a private session bus with a real,
// unlocked keyring daemon.
#include "DeskmapAppSupport/Credentials/KeychainCredentialStore.hpp"
#include "DeskmapAppSupport/Credentials/SummaryConfiguration.hpp"
#include "DeskmapPlatform/Keychain/SecretServiceKeychain.hpp"
#include "Support/ChildProcess.hpp"
#include "Support/KeychainContract.hpp"
#include "Support/StandInAPIServer.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

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

// The command line's own environment, without the keys and settings of
// whoever runs the tests.
test::ProcessOutcome deskmapCommand(const std::vector<std::string>& arguments,
                                    const std::map<std::string, std::string>& environment = {},
                                    const std::string& input = {}) {
    return test::runProcess(DESKMAP_BINARY, arguments, environment,
                            {"OPENAI_ACCESS_TOKEN", "OPENROUTER_API_KEY", "DESKMAP_DESKTOP",
                             "DISPLAY", "http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY"},
                            input);
}

TEST(SecretServiceKeyCommand, AKeySavedOnceIsUsedByWatch) {
    EXPECT_EQ(deskmapCommand({"key", "status"}).out, "Not saved\n");
    const auto saved = deskmapCommand({"key", "save"}, {}, "  sk-from-store \r\n");
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_EQ(deskmapCommand({"key", "status"}).out, "Saved\n");
    EXPECT_EQ(deskmapCommand({"key", "status", "--provider", "openrouter"}).out, "Not saved\n");

    test::StandInAPIServer server;
    server.enqueueJSON(test::responsesBody(test::latinAnswer({1, 2, 3})));
    const auto watched = deskmapCommand(
        {"watch", "--once", "--json", "--provider", "openai", "--desktop",
         std::string(DESKMAP_TEST_SOURCE_DIR) + "/Support/Scenarios/shared-space.json"},
        {{"DESKMAP_OPENAI_BASE_URL", server.baseURL()}});
    ASSERT_EQ(watched.exitCode, 0) << watched.err;
    const auto last = watched.out.substr(watched.out.rfind('\n', watched.out.size() - 2) + 1);
    EXPECT_EQ(nlohmann::json::parse(last).at("status"), "ready") << watched.out;
    ASSERT_EQ(server.received().size(), 1u);
    EXPECT_EQ(server.received()[0].header("Authorization"), "Bearer sk-from-store")
        << "saved trimmed";

    const auto cleared = deskmapCommand({"key", "clear"});
    EXPECT_EQ(cleared.exitCode, 0) << cleared.err;
    EXPECT_EQ(deskmapCommand({"key", "status"}).out, "Not saved\n");
}

} // namespace
} // namespace deskmap
