#include "Deskmap/Qt/Settings/SettingsView.hpp"
#include "Deskmap/Qt/WhatIsSent/RequestPreviewView.hpp"
#include "QtTestSupport.hpp"
#include "Support/ChildProcess.hpp"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <filesystem>
#include <fstream>

namespace deskmap::test {
namespace {

class RequestPreviewTest : public QtViewModelTest {
protected:
    RequestPreviewTest() { std::ofstream(scenario) << twoDisplays().dump(); }
    ~RequestPreviewTest() override { std::filesystem::remove(scenario); }

    std::string dryRun(const std::string& provider) {
        const auto result = runProcess(DESKMAP_BINARY, {"summarize", "--dry-run", "--provider",
                                                        provider, "--desktop", scenario});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result.out;
    }

    std::string shown(QWidget* window) {
        auto* text = visible<QPlainTextEdit>(window, "What is sent");
        return text ? text->toPlainText().toStdString() : "<absent>";
    }

    const std::string scenario = std::filesystem::temp_directory_path() /
                                 ("deskmap-preview-" + std::to_string(::getpid()) + ".json");
};

TEST_F(RequestPreviewTest, ShowsTheDryRunOfTheSelectedProviderAndNeverTheKey) {
    saveKeyBeforeStart(SummaryProvider::openAI, "sk-secret-openai");
    saveKeyBeforeStart(SummaryProvider::openRouter, "sk-secret-openrouter");
    make();
    auto settings = std::make_unique<qt::SettingsView>(viewModel);
    settings->present();
    ASSERT_TRUE(runUntil([&] { return viewModel->snapshot().inventory.has_value(); }));
    click(settings.get(), "Show What Is Sent");
    auto* window = settings->findChild<qt::RequestPreviewView*>();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->isVisible());

    EXPECT_EQ(shown(window), dryRun("openai"));
    screenshots(window, "what-is-sent-openai");
    click(settings.get(), "OpenRouter");
    EXPECT_EQ(shown(window), dryRun("openrouter"));
    click(settings.get(), "Installed client");
    EXPECT_EQ(shown(window), dryRun("codex"));
    screenshots(window, "what-is-sent-codex");
    viewModel->selectInstalledClient(InstalledClient::cursor);
    EXPECT_EQ(shown(window), dryRun("cursor"));

    click(settings.get(), "OpenAI");
    EXPECT_EQ(shown(window).find("sk-secret"), std::string::npos) << "the saved key is never shown";
}

TEST_F(RequestPreviewTest, SaysSoWhenNoSpacesHaveBeenRead) {
    simulated = std::make_shared<platform::SimulatedWindowServer>(
        nlohmann::json::parse(R"({"managedDisplaySpaces": null, "windows": []})"));
    windowServer = std::make_shared<WatchedWindowServer>(simulated, forbidden);
    make();
    ASSERT_TRUE(runUntil(
        [&] { return viewModel->snapshot().status == RefreshSnapshot::Status::collectionFailed; }));
    qt::RequestPreviewView window(viewModel);
    EXPECT_EQ(shown(&window), "No Spaces have been read yet, so there is nothing to send.");
}

} // namespace
} // namespace deskmap::test
