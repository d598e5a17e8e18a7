#include "Deskmap/Qt/Setup/FirstTimeSetupView.hpp"
#include "Deskmap/Qt/Setup/FirstTimeSetupWindowController.hpp"
#include "QtTestSupport.hpp"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace deskmap::test {
namespace {

using qt::FirstTimeSetupStep;
using namespace std::chrono_literals;

class FirstTimeSetupTest : public QtViewModelTest {
protected:
    ~FirstTimeSetupTest() override { controller.reset(); }

    void start() {
        make();
        runUntil([&] {
            return viewModel->savedCredentialPresence() != SavedCredentialPresence::unknown;
        });
    }

    qt::FirstTimeSetupView* wizard() { return controller->window(); }

    void openWizard() {
        controller->show(viewModel);
        ASSERT_NE(wizard(), nullptr);
        QCoreApplication::processEvents();
    }

    bool enabled(const QString& name) {
        auto* button = visible<QAbstractButton>(wizard(), name);
        return button && button->isEnabled();
    }

    void pressReturn() { QTest::keyClick(wizard(), Qt::Key_Return); }

    std::unique_ptr<qt::FirstTimeSetupWindowController> controller =
        std::make_unique<qt::FirstTimeSetupWindowController>();
};

TEST_F(FirstTimeSetupTest, StartsAtTheFirstMissingStep) {
    titleAccess->granted = false;
    start();
    openWizard();
    EXPECT_EQ(wizard()->step(), FirstTimeSetupStep::provider);
    EXPECT_EQ(wizard()->windowTitle(), "Set Up Deskmap");
    EXPECT_EQ(wizard()->size(), QSize(600, 600));
    EXPECT_EQ(labelText(wizard(), "Step 1 of 3"), "Step 1 of 3");
    auto* progress = visible<QProgressBar>(wizard(), "Setup progress");
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->value(), 1);
    EXPECT_EQ(progress->accessibleDescription(), "Step 1 of 3");
    EXPECT_FALSE(shows(wizard(), "Back"));
    screenshots(wizard(), "setup-1-provider");

    saveKeyBeforeStart(SummaryProvider::openAI, "sk-saved");
    controller.reset();
    controller = std::make_unique<qt::FirstTimeSetupWindowController>();
    shutDown();
    start();
    openWizard();
    EXPECT_EQ(wizard()->step(), FirstTimeSetupStep::windowTitleAccess);
    EXPECT_TRUE(shows(wizard(), "Allow Window Title Access"));
    EXPECT_TRUE(shows(wizard(), "Open Window Title Settings"));
    screenshots(wizard(), "setup-2-window-title-access");
}

TEST_F(FirstTimeSetupTest, AReadyUserStartsOnTheLastStepAndMayFinish) {
    saveKeyBeforeStart(SummaryProvider::openAI, "sk-saved");
    accessibility->granted = false;
    // As at launch: asked at once, before the saved key has been read.
    keychain->beforeCall = [] { std::this_thread::sleep_for(100ms); };
    make();
    controller->showWhenApplicationIsReadyIfNeeded(viewModel);
    ASSERT_TRUE(runUntil([&] { return wizard() != nullptr; }));
    EXPECT_EQ(wizard()->step(), FirstTimeSetupStep::spaceSwitching);
    EXPECT_TRUE(enabled("Finish Setup")) << "Space switching is optional";
    EXPECT_FALSE(shows(wizard(), "Continue"));
    EXPECT_TRUE(shows(wizard(), "Open Space-Switching Settings"));
    screenshots(wizard(), "setup-3-space-switching");

    wizard()->moveForward();
    EXPECT_EQ(wizard()->step(), FirstTimeSetupStep::spaceSwitching) << "nowhere after the last";
    click(wizard(), "Back");
    EXPECT_EQ(wizard()->step(), FirstTimeSetupStep::windowTitleAccess);
    EXPECT_TRUE(shows(wizard(), "Window title access allowed"));
    screenshots(wizard(), "setup-2-window-title-access-allowed");
    click(wizard(), "Back");
    EXPECT_EQ(wizard()->step(), FirstTimeSetupStep::provider);
    EXPECT_EQ(labelText(wizard(), "Key status"), "Saved");
    click(wizard(), "Clear");
    ASSERT_TRUE(runUntil([&] { return !enabled("Continue"); })) << "no longer connected";
    EXPECT_EQ(labelText(wizard(), "Key status"), "Not saved");
    EXPECT_FALSE(enabled("Clear"));
    wizard()->moveBack();
    EXPECT_EQ(wizard()->step(), FirstTimeSetupStep::provider) << "nothing before the first";
}

TEST_F(FirstTimeSetupTest, ContinueWaitsForAConnectedProvider) {
    titleAccess->granted = false;
    start();
    openWizard();
    EXPECT_FALSE(enabled("Continue"));
    pressReturn();
    EXPECT_EQ(wizard()->step(), FirstTimeSetupStep::provider);

    auto* field = visible<QLineEdit>(wizard(), "API key");
    ASSERT_NE(field, nullptr);
    QTest::keyClicks(field, "   ");
    EXPECT_FALSE(enabled("Save"));
    QTest::keyClick(field, Qt::Key_Return);
    settle(20ms);
    EXPECT_FALSE(viewModel->settingsMessage().has_value()) << "spaces are not sent as a key";
    field->clear();
    QTest::keyClicks(field, "sk-wizard");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_EQ(wizard()->step(), FirstTimeSetupStep::provider) << "Return in the field only saves";
    ASSERT_TRUE(runUntil([&] { return enabled("Continue"); }));
    EXPECT_EQ(titleAccess->requests, 0) << "saving here never asks for window-title access";
    EXPECT_EQ(labelText(wizard(), "Key status"), "Saved");
    screenshots(wizard(), "setup-1-provider-connected");

    pressReturn();
    EXPECT_EQ(wizard()->step(), FirstTimeSetupStep::windowTitleAccess);
    EXPECT_FALSE(enabled("Continue"));
    EXPECT_NE(visible<QPushButton>(wizard(), "Open Window Title Settings"), nullptr);
    // Where the desktop has its own way (GNOME's extension), the step says it
    // and offers no settings page.
    titleAccess->adviceText = "The Deskmap GNOME Shell extension is disabled: enable it with "
                              "\"gnome-extensions enable deskmap@quillary.com\".";
    click(wizard(), "Allow Window Title Access");
    EXPECT_EQ(titleAccess->requests, 1);
    EXPECT_FALSE(enabled("Continue"));
    EXPECT_EQ(visible<QPushButton>(wizard(), "Open Window Title Settings"), nullptr);
    screenshots(wizard(), "setup-2-window-title-access-gnome");
    // Granted in the desktop's settings; the wizard sees it on return.
    titleAccess->granted = true;
    Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);
    ASSERT_TRUE(runUntil([&] { return enabled("Continue"); }));
    click(wizard(), "Continue");
    EXPECT_EQ(wizard()->step(), FirstTimeSetupStep::spaceSwitching);
}

TEST_F(FirstTimeSetupTest, ChoosingTheInstalledClientDoesNotAdvance) {
    runner->hold = true;
    start();
    openWizard();
    click(wizard(), "Installed client");
    EXPECT_TRUE(shows(wizard(), "Client"));
    EXPECT_FALSE(shows(wizard(), "API key"));
    ASSERT_TRUE(runUntil([&] { return runner->runs == 1; }));
    EXPECT_FALSE(enabled("Check Availability"));
    EXPECT_EQ(labelText(wizard(), "Client status"), "Checking...");
    screenshots(wizard(), "setup-1-installed-client-checking");
    runner->hold = false;
    ASSERT_TRUE(runUntil([&] { return enabled("Continue"); }));
    EXPECT_EQ(wizard()->step(), FirstTimeSetupStep::provider);
    EXPECT_EQ(labelText(wizard(), "Client status"), "Available and signed in");

    // A new check of an available client keeps the way open.
    runner->hold = true;
    click(wizard(), "Check Availability");
    ASSERT_TRUE(runUntil([&] {
        return viewModel->installedClientVerification().kind() ==
               InstalledClientVerificationState::Kind::rechecking;
    }));
    EXPECT_TRUE(enabled("Continue"));
    runner->signedIn = false;
    runner->hold = false;
    ASSERT_TRUE(runUntil([&] { return !enabled("Continue"); }));
    const auto message = QString::fromStdString(viewModel->installedClientVerification().message());
    EXPECT_EQ(labelText(wizard(), "Client status"), message);
}

TEST_F(FirstTimeSetupTest, OneWindowThatStaysPendingUntilFinished) {
    titleAccess->granted = false;
    start();
    openWizard();
    auto* first = wizard();
    controller->show(viewModel);
    EXPECT_EQ(wizard(), first) << "shown again, not made again";
    EXPECT_EQ(QApplication::topLevelWidgets().count(first), 1);

    wizard()->close();
    EXPECT_EQ(wizard(), nullptr);
    settle(20ms);
    EXPECT_FALSE(setupSettings->isCompleted());

    // The next start shows it again, once the loop runs.
    controller->showWhenApplicationIsReadyIfNeeded(viewModel);
    EXPECT_EQ(wizard(), nullptr);
    ASSERT_TRUE(runUntil([&] { return wizard() != nullptr; }));

    viewModel->saveKey(" ", false);
    const QString enterKey = "Enter an API key.";
    EXPECT_EQ(labelText(wizard(), "Setup status: " + enterKey), enterKey);
    titleAccess->granted = true;
    viewModel->refreshWindowTitleAccessStatus();
    saveKeyBeforeStart(SummaryProvider::openAI, "sk-x");
    viewModel->saveKey("sk-x", false);
    ASSERT_TRUE(runUntil([&] { return viewModel->firstTimeSetupReadiness().isComplete(); }));
    wizard()->moveForward();
    wizard()->moveForward();
    ASSERT_EQ(wizard()->step(), FirstTimeSetupStep::spaceSwitching);
    click(wizard(), "Finish Setup");
    EXPECT_EQ(wizard(), nullptr) << "finishing closes the window";
    EXPECT_TRUE(setupSettings->isCompleted());
    EXPECT_TRUE(viewModel->firstTimeSetupCompleted());

    controller->showWhenApplicationIsReadyIfNeeded(viewModel);
    settle(30ms);
    EXPECT_EQ(wizard(), nullptr) << "never again once finished";
}

TEST_F(FirstTimeSetupTest, FinishDoesNothingUntilBothPrerequisitesAreMet) {
    titleAccess->granted = false;
    start();
    qt::FirstTimeSetupView view(viewModel, FirstTimeSetupStep::spaceSwitching,
                                [] { ADD_FAILURE() << "finished without a provider"; });
    view.finish();
    EXPECT_FALSE(setupSettings->isCompleted());
    EXPECT_FALSE(viewModel->firstTimeSetupCompleted());
}

} // namespace
} // namespace deskmap::test
