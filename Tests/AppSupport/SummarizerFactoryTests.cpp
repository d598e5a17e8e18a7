#include "DeskmapAppSupport/Factories/LunaSummarizerFactory.hpp"
#include "DeskmapAppSupport/Factories/SelectedProviderSummarizerFactory.hpp"
#include "DeskmapAppSupport/Providers/UserDefaultsSettings.hpp"
#include "DeskmapCore/API/LunaClient.hpp"
#include "DeskmapCore/API/OpenRouterClient.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapCore/InstalledClients/InstalledClientSummarizer.hpp"
#include "DeskmapCore/Process/FoundationInstalledClientProcessRunner.hpp"
#include "DeskmapPlatform/UserDefaults/InMemoryUserDefaults.hpp"

#include <gtest/gtest.h>

namespace deskmap {
namespace {

void expectError(const std::function<void()>& operation, const DeskmapError& expected) {
    try {
        operation();
        ADD_FAILURE() << "expected " << expected.what();
    } catch (const DeskmapError& error) {
        EXPECT_EQ(error, expected);
    }
}

class SummarizerFactoryTest : public testing::Test {
protected:
    std::shared_ptr<platform::InMemoryUserDefaults> defaults =
        std::make_shared<platform::InMemoryUserDefaults>();
    std::shared_ptr<UserDefaultsSummaryProviderSettings> providers =
        std::make_shared<UserDefaultsSummaryProviderSettings>(defaults);
    std::shared_ptr<UserDefaultsInstalledClientSettings> clients =
        std::make_shared<UserDefaultsInstalledClientSettings>(defaults);
    std::shared_ptr<platform::UrlSession> session = std::make_shared<platform::UrlSession>();
    SelectedProviderSummarizerFactory factory{
        providers, clients, InstalledClientExecutableLocator({{"PATH", "/nonexistent"}}, "/home/x"),
        std::make_shared<FoundationInstalledClientProcessRunner>(), session};
};

TEST_F(SummarizerFactoryTest, EachCallFollowsTheSelectedProvider) {
    EXPECT_TRUE(dynamic_cast<LunaClient*>(factory.makeSummarizer("sk-1").get()));
    providers->setSelectedProvider(SummaryProvider::openRouter);
    EXPECT_TRUE(dynamic_cast<OpenRouterClient*>(factory.makeSummarizer("sk-1").get()));

    providers->setSelectedProvider(SummaryProvider::installedClient);
    for (const std::string token : {"installed-client-ready", "", "anything"}) {
        const auto built = factory.makeSummarizer(token);
        auto* summarizer = dynamic_cast<InstalledClientSummarizer*>(built.get());
        ASSERT_TRUE(summarizer) << token;
        EXPECT_EQ(summarizer->client(), InstalledClient::codex);
    }
    clients->setSelectedInstalledClient(InstalledClient::cursor);
    auto built = factory.makeSummarizer("x");
    EXPECT_EQ(dynamic_cast<InstalledClientSummarizer&>(*built).client(), InstalledClient::cursor);
    EXPECT_NE(factory.makeSummarizer("x"), built) << "nothing is cached";
}

TEST_F(SummarizerFactoryTest, BlankTokensFailWithTheProvidersOwnError) {
    expectError([&] { (void)factory.makeSummarizer(" \n"); }, DeskmapError::missingCredential());
    providers->setSelectedProvider(SummaryProvider::openRouter);
    expectError([&] { (void)factory.makeSummarizer("\t "); },
                DeskmapError::missingOpenRouterCredential());
    expectError([&] { (void)LunaSummarizerFactory(session).makeSummarizer(""); },
                DeskmapError::missingCredential());
    EXPECT_TRUE(
        dynamic_cast<LunaClient*>(LunaSummarizerFactory(session).makeSummarizer("k").get()));
}

} // namespace
} // namespace deskmap
