#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapCore/InstalledClients/InstalledClient.hpp"

#include <gtest/gtest.h>

#include <unordered_set>

namespace deskmap {
namespace {

TEST(DeskmapError, DescribesEveryCase) {
    const std::vector<std::pair<DeskmapError, std::string>> cases{
        {DeskmapError::collection("no Spaces were reported"),
         "Could not read this desktop's Spaces: no Spaces were reported"},
        {DeskmapError::collection(""), "Could not read this desktop's Spaces: "},
        {DeskmapError::transport("timed out"), "OpenAI request failed: timed out"},
        {DeskmapError::openRouterTransport("refused"), "OpenRouter request failed: refused"},
        {DeskmapError::service(429, "slow down"), "OpenAI returned HTTP 429: slow down"},
        {DeskmapError::service(-1, "odd"), "OpenAI returned HTTP -1: odd"},
        {DeskmapError::openRouterService(500, "boom"), "OpenRouter returned HTTP 500: boom"},
        {DeskmapError::invalidResponse("no text"), "OpenAI returned an invalid response: no text"},
        {DeskmapError::invalidOpenRouterResponse("no choices"),
         "OpenRouter returned an invalid response: no choices"},
        {DeskmapError::missingCredential(), "OPENAI_ACCESS_TOKEN is required for summarize."},
        {DeskmapError::missingOpenRouterCredential(),
         "OPENROUTER_API_KEY is required for summarize with OpenRouter."},
        {DeskmapError::installedClient(InstalledClientError::timedOut(InstalledClient::codex)),
         "Codex timed out. Try again."},
    };
    for (const auto& [error, message] : cases) {
        EXPECT_EQ(error.errorDescription(), message);
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
}

TEST(InstalledClientError, DescribesEveryCaseWithTheClientsName) {
    using E = InstalledClientError;
    const auto codex = InstalledClient::codex;
    const auto cursor = InstalledClient::cursor;
    EXPECT_EQ(E::executableNotFound(cursor).errorDescription(),
              "Could not find the Cursor Agent executable. Install it and try again.");
    EXPECT_EQ(E::notAuthenticated(codex).errorDescription(),
              "Codex is not signed in. Sign in with its command-line client, then check again.");
    EXPECT_EQ(E::verificationFailed(codex, "status check timed out").errorDescription(),
              "Could not verify Codex: status check timed out");
    EXPECT_EQ(E::timedOut(cursor).errorDescription(), "Cursor Agent timed out. Try again.");
    EXPECT_EQ(E::processFailed(codex, 1).errorDescription(),
              "Codex exited with status 1. Check its sign-in state and try again.");
    EXPECT_EQ(E::processFailed(cursor, -9).errorDescription(),
              "Cursor Agent exited with status -9. Check its sign-in state and try again.");
    EXPECT_EQ(E::invalidOutput(codex, "missing output file").errorDescription(),
              "Codex returned an invalid response: missing output file");

    EXPECT_EQ(E::processFailed(codex, 1), E::processFailed(codex, 1));
    EXPECT_NE(E::processFailed(codex, 1), E::processFailed(codex, 2));
    EXPECT_NE(E::invalidOutput(codex, "a"), E::verificationFailed(codex, "a"));
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
