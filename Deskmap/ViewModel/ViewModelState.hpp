#pragma once

#include "DeskmapAppSupport/LaunchAtLogin/LaunchAtLoginConfiguration.hpp"
#include "DeskmapAppSupport/Providers/ProviderSettings.hpp"
#include "DeskmapAppSupport/Readiness/SetupReadiness.hpp"
#include "DeskmapAppSupport/RefreshCoordinator/RefreshSnapshot.hpp"

#include <optional>
#include <string>
#include <vector>

namespace deskmap {

// The published properties, named for observers.
enum class ViewModelProperty {
    snapshot,
    selectedSummaryProvider,
    selectedInstalledClient,
    installedClientVerification,
    savedCredentialPresence,
    windowTitleAccessGranted,
    spaceSwitchAccessibilityGranted,
    launchAtLoginStatus,
    firstTimeSetupCompleted,
    settingsMessage,
    spaceSwitchMessage,
    launchAtLoginMessage,
    privacyRules, // with the malformed keys
    summaryModel,
};

// What the views read, with its value before the view model has loaded
// anything.
struct ViewModelState {
    RefreshSnapshot snapshot{std::nullopt,
                             std::nullopt,
                             RefreshSnapshot::Status::refreshing,
                             RefreshSnapshot::SummaryAssociation::none,
                             std::nullopt,
                             std::nullopt,
                             std::nullopt};
    SummaryProvider selectedSummaryProvider = SummaryProvider::openAI;
    InstalledClient selectedInstalledClient = InstalledClient::codex;
    InstalledClientVerificationState installedClientVerification =
        InstalledClientVerificationState::unchecked();
    SavedCredentialPresence savedCredentialPresence = SavedCredentialPresence::unknown;
    bool windowTitleAccessGranted = false;
    // Told as a change of `windowTitleAccessGranted`: it goes with it.
    std::optional<std::string> windowTitleAccessAdvice;
    bool spaceSwitchAccessibilityGranted = false;
    LaunchAtLoginStatus launchAtLoginStatus = LaunchAtLoginStatus::disabled;
    bool firstTimeSetupCompleted = false;
    // Whether a model of the local server is chosen: without one it cannot
    // summarize. Told as a change of `summaryModel`.
    bool localModelChosen = false;
    std::optional<std::string> settingsMessage;
    std::optional<std::string> spaceSwitchMessage;
    std::optional<std::string> launchAtLoginMessage;
    PrivacyRules privacyRules = PrivacyRules::defaults();
    // Stored rules that could not be read: their defaults apply.
    std::vector<std::string> malformedPrivacyKeys;
};

} // namespace deskmap
