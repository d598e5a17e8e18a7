// Window-title access, Space switching and launch at login.
#include "ViewModelTestSupport.hpp"

namespace deskmap {
namespace {

using test::ViewModelTest;

class ViewModelPermissionTest : public ViewModelTest {
protected:
    void startWithKey() {
        saveKeyBeforeStart(SummaryProvider::openAI, "sk-saved");
        make();
        ASSERT_TRUE(runUntil([&] {
            return viewModel->savedCredentialPresence() == SavedCredentialPresence::saved;
        }));
    }

    int settingsMessageChanges() const {
        return static_cast<int>(
            std::count(changes.begin(), changes.end(), ViewModelProperty::settingsMessage));
    }
};

TEST_F(ViewModelPermissionTest, TitleAccessGrantedOutsideIsReportedOnceAndAuthorizes) {
    titleAccess->granted = false;
    startWithKey();
    EXPECT_FALSE(viewModel->authorization().isAuthorized());
    viewModel->refreshWindowTitleAccessStatus();
    EXPECT_EQ(viewModel->settingsMessage(), std::nullopt) << "no change, no message";

    titleAccess->granted = true; // granted in the desktop's own settings
    changes.clear();
    viewModel->refreshWindowTitleAccessStatus();
    viewModel->refreshWindowTitleAccessStatus();
    EXPECT_EQ(viewModel->settingsMessage(), "Window title access is enabled.");
    EXPECT_EQ(settingsMessageChanges(), 1);
    EXPECT_TRUE(viewModel->authorization().isAuthorized());
    ASSERT_TRUE(runUntil([&] { return summarized(); }));

    titleAccess->granted = false;
    viewModel->refreshWindowTitleAccessStatus();
    EXPECT_EQ(viewModel->settingsMessage(),
              "Window title access was removed. Summaries are paused until it is restored.");
    EXPECT_FALSE(viewModel->authorization().isAuthorized());
}

TEST_F(ViewModelPermissionTest, AskingForTitleAccessTellsWhatHappened) {
    titleAccess->granted = false;
    startWithKey();
    viewModel->requestWindowTitleAccess();
    EXPECT_EQ(titleAccess->requests, 1);
    EXPECT_EQ(viewModel->settingsMessage(),
              "Allow Deskmap to read window titles in your desktop's settings, then quit and "
              "reopen Deskmap. Screenshots are never captured.");

    // No settings page exists here: nothing is opened that is not there.
    viewModel->openWindowTitleAccessSettings();
    EXPECT_EQ(pages->opened, std::vector{platform::PermissionSettingsPage::windowTitles});
    EXPECT_EQ(viewModel->settingsMessage(),
              "This desktop has no settings page for window title access.");

    // A desktop with a way of its own says what to do instead (the views
    // show it in place of the permission text).
    titleAccess->adviceText = "Enable the extension.";
    viewModel->requestWindowTitleAccess();
    EXPECT_EQ(viewModel->settingsMessage(), std::nullopt);
    EXPECT_EQ(viewModel->windowTitleAccessAdvice(), "Enable the extension.");

    titleAccess->grantOnRequest = true;
    viewModel->requestWindowTitleAccess();
    EXPECT_EQ(viewModel->settingsMessage(), "Window title access is enabled.");
    EXPECT_EQ(viewModel->windowTitleAccessAdvice(), std::nullopt);
    EXPECT_TRUE(viewModel->authorization().isAuthorized());
    pages->opened.clear();
    viewModel->openWindowTitleAccessSettings();
    EXPECT_TRUE(pages->opened.empty()) << "granted: no page needed";
}

TEST_F(ViewModelPermissionTest, SpaceSwitchingPermissionNeverTouchesTheGate) {
    accessibility->granted = false;
    startWithKey();
    ASSERT_TRUE(runUntil([&] { return viewModel->authorization().isAuthorized(); }));
    viewModel->requestSpaceSwitchAccessibility();
    EXPECT_EQ(
        viewModel->settingsMessage(),
        "Allow Deskmap to switch workspaces in your desktop's settings, then return to Deskmap.");
    viewModel->openSpaceSwitchAccessibilitySettings();
    EXPECT_EQ(viewModel->settingsMessage(),
              "This desktop has no settings page for Space-switching access.");
    viewModel->refreshSpaceSwitchAccessibilityStatus();
    EXPECT_FALSE(viewModel->spaceSwitchAccessibilityGranted());

    accessibility->granted = true;
    viewModel->refreshSpaceSwitchAccessibilityStatus();
    EXPECT_EQ(viewModel->settingsMessage(), "Space-switching access is enabled.");
    accessibility->granted = false;
    viewModel->refreshSpaceSwitchAccessibilityStatus();
    EXPECT_EQ(
        viewModel->settingsMessage(),
        "Space-switching access was removed. Click-to-switch is paused until it is restored.");
    EXPECT_TRUE(viewModel->authorization().isAuthorized());
}

class ViewModelSwitchTest : public ViewModelTest {
protected:
    std::optional<bool> switchTo(const std::string& spaceID) {
        const auto& spaces = viewModel->snapshot().inventory->spaces;
        const auto space = std::find_if(spaces.begin(), spaces.end(),
                                        [&](const auto& entry) { return entry.id == spaceID; });
        std::optional<bool> started;
        viewModel->switchToSpace(*space, [&](bool answer) { started = answer; });
        EXPECT_TRUE(runUntil([&] { return started.has_value(); }));
        return started;
    }

    std::optional<std::string> current() const {
        for (const auto& space : viewModel->snapshot().inventory->spaces) {
            if (space.isCurrent && space.display == "AAAA-1111") {
                return space.id;
            }
        }
        return std::nullopt;
    }

    void start() {
        make();
        ASSERT_TRUE(runUntil([&] { return viewModel->snapshot().inventory.has_value(); }));
    }
};

TEST_F(ViewModelSwitchTest, AClickSwitchesAndTheMapFollows) {
    start();
    EXPECT_EQ(switchTo("4"), true);
    EXPECT_TRUE(runUntil([&] { return current() == "4"; }))
        << "the notification moves the mark; shown: " << current().value_or("none") << ", message "
        << viewModel->spaceSwitchMessage().value_or("none")
        << ", window server: " << simulated->copyManagedDisplaySpaces(0).dump();
    settle();
    EXPECT_EQ(viewModel->spaceSwitchMessage(), std::nullopt);
}

TEST_F(ViewModelSwitchTest, TheCurrentSpaceOrAMissingPermissionKeepsThePopoverOpen) {
    start();
    accessibility->granted = false;
    EXPECT_EQ(switchTo("3"), false);
    EXPECT_EQ(viewModel->spaceSwitchMessage(),
              "Allow Space-switching access, then click the Space again.");
    EXPECT_EQ(accessibility->requests, 1);

    EXPECT_EQ(switchTo("2"), false);
    EXPECT_EQ(viewModel->spaceSwitchMessage(), std::nullopt) << "an old message is cleared";

    accessibility->granted = true;
    EXPECT_EQ(switchTo("9"), false);
    EXPECT_EQ(
        viewModel->spaceSwitchMessage(),
        "Move the pointer to the target display and open Deskmap there to switch to that Space.");
}

TEST_F(ViewModelSwitchTest, ASwitchThatNeverLandsSaysSo) {
    auto refusing = test::twoDisplays();
    refusing["acceptGestures"] = false;
    simulated = std::make_shared<platform::SimulatedWindowServer>(refusing);
    windowServer = std::make_shared<test::WatchedWindowServer>(simulated, forbidden);
    start();
    EXPECT_EQ(switchTo("3"), true);
    EXPECT_TRUE(runUntil([&] { return viewModel->spaceSwitchMessage().has_value(); }));
    EXPECT_EQ(viewModel->spaceSwitchMessage(),
              "Space switching timed out before reaching the target.");
    EXPECT_EQ(switchTo("4"), false) << "still recovering";
    EXPECT_EQ(viewModel->spaceSwitchMessage(), "Wait for the current Space switch to finish.");
}

class ViewModelLaunchTest : public ViewModelTest {};

TEST_F(ViewModelLaunchTest, LaunchAtLoginSaysWhatChangedOrWhyItFailed) {
    make();
    viewModel->setLaunchAtLogin(true);
    EXPECT_EQ(viewModel->launchAtLoginStatus(), LaunchAtLoginStatus::enabled);
    EXPECT_EQ(viewModel->launchAtLoginMessage(),
              "Deskmap will open automatically when you log in.");

    launchAtLogin->failure = "the autostart folder is read-only";
    viewModel->setLaunchAtLogin(false);
    EXPECT_EQ(viewModel->launchAtLoginMessage(),
              "Could not disable launch at login: the autostart folder is read-only");
    EXPECT_EQ(viewModel->launchAtLoginStatus(), LaunchAtLoginStatus::enabled);

    launchAtLogin->failure.reset();
    viewModel->setLaunchAtLogin(false);
    EXPECT_EQ(viewModel->launchAtLoginMessage(), "Deskmap will no longer open automatically.");

    viewModel->refreshLaunchAtLoginStatus();
    EXPECT_EQ(viewModel->launchAtLoginMessage(), "Deskmap will no longer open automatically.")
        << "an unchanged status keeps the message";

    launchAtLogin->current = LaunchAtLoginStatus::requiresApproval; // changed outside
    viewModel->refreshLaunchAtLoginStatus();
    EXPECT_EQ(viewModel->launchAtLoginStatus(), LaunchAtLoginStatus::requiresApproval);
    EXPECT_EQ(viewModel->launchAtLoginMessage(), std::nullopt);
}

} // namespace
} // namespace deskmap
