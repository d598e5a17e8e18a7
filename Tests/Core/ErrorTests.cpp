#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapCore/InstalledClients/InstalledClient.hpp"

#include <gtest/gtest.h>

#include <unordered_set>

namespace deskmap {
namespace {

// Messages no other test reaches through a real failure.
TEST(DeskmapError, DescribesOpenRouterCases) {
    const std::vector<std::pair<DeskmapError, std::string>> cases{
        {DeskmapError::openRouterTransport("refused"), "OpenRouter request failed: refused"},
        {DeskmapError::openRouterService(500, "boom"), "OpenRouter returned HTTP 500: boom"},
        {DeskmapError::invalidOpenRouterResponse("no choices"),
         "OpenRouter returned an invalid response: no choices"},
    };
    for (const auto& [error, message] : cases) {
        EXPECT_EQ(std::string(error.what()), message);
    }
}

TEST(DeskmapError, EqualityComparesCaseAndPayload) {
    EXPECT_EQ(DeskmapError::service(429, "a"), DeskmapError::service(429, "a"));
    EXPECT_NE(DeskmapError::service(429, "a"), DeskmapError::service(429, "b"));
    EXPECT_NE(DeskmapError::service(429, "a"), DeskmapError::openRouterService(429, "a"));
    EXPECT_NE(DeskmapError::missingCredential(), DeskmapError::missingOpenRouterCredential());
    EXPECT_NE(DeskmapError::transport("x"), DeskmapError::invalidResponse("x"));
    EXPECT_EQ(
        DeskmapError::installedClient(InstalledClientError::timedOut(InstalledClient::codex)),
        DeskmapError::installedClient(InstalledClientError::timedOut(InstalledClient::codex)));
    EXPECT_NE(
        DeskmapError::installedClient(InstalledClientError::timedOut(InstalledClient::codex)),
        DeskmapError::installedClient(InstalledClientError::timedOut(InstalledClient::cursor)));
    using E = InstalledClientError;
    EXPECT_EQ(E::processFailed(InstalledClient::codex, 1),
              E::processFailed(InstalledClient::codex, 1));
    EXPECT_NE(E::processFailed(InstalledClient::codex, 1),
              E::processFailed(InstalledClient::codex, 2));
    EXPECT_NE(E::invalidOutput(InstalledClient::codex, "a"),
              E::verificationFailed(InstalledClient::codex, "a"));
}

TEST(InstalledClient, OnlyExactRawValuesNameAClient) {
    EXPECT_EQ(installedClientFromRawValue("codex"), InstalledClient::codex);
    EXPECT_EQ(installedClientFromRawValue("cursor"), InstalledClient::cursor);
    EXPECT_EQ(installedClientFromRawValue("Codex"), std::nullopt);
    EXPECT_EQ(installedClientFromRawValue("agent"), std::nullopt);
    EXPECT_EQ(installedClientFromRawValue(""), std::nullopt);
    EXPECT_EQ(installedClientFromRawValue("codex "), std::nullopt);

    const std::unordered_set<InstalledClient> clients(allInstalledClients.begin(),
                                                      allInstalledClients.end());
    EXPECT_EQ(clients.size(), 2u);
}

} // namespace
} // namespace deskmap
