#include "Deskmap/ViewModel/PermissionRequests.hpp"

#include "Deskmap/ViewModel/ViewModelMessages.hpp"

namespace deskmap {

namespace Messages = ViewModelMessages;

PermissionRequests::PermissionRequests(
    ViewModelContext& context, std::shared_ptr<WindowTitleAccessRequesting> windowTitleAccess,
    std::shared_ptr<SpaceSwitchAccessibilityChecking> spaceSwitchAccessibility,
    std::shared_ptr<platform::SystemSettingsOpening> systemSettings)
    : context_(context), windowTitleAccess_(std::move(windowTitleAccess)),
      spaceSwitchAccessibility_(std::move(spaceSwitchAccessibility)),
      systemSettings_(std::move(systemSettings)) {}

void PermissionRequests::load() {
    publishWindowTitleAccess(readWindowTitleAccess());
    publishSpaceSwitchAccessibility(spaceSwitchAccessibility_->isGranted());
}

bool PermissionRequests::readWindowTitleAccess() {
    const bool granted = windowTitleAccess_->isGranted();
    context_.publish(&ViewModelState::windowTitleAccessAdvice,
                     granted ? std::nullopt : windowTitleAccess_->advice(),
                     ViewModelProperty::windowTitleAccessGranted);
    return granted;
}

void PermissionRequests::publishWindowTitleAccess(bool granted) {
    context_.publish(&ViewModelState::windowTitleAccessGranted, granted,
                     ViewModelProperty::windowTitleAccessGranted);
}

void PermissionRequests::publishSpaceSwitchAccessibility(bool granted) {
    context_.publish(&ViewModelState::spaceSwitchAccessibilityGranted, granted,
                     ViewModelProperty::spaceSwitchAccessibilityGranted);
}

bool PermissionRequests::requestWindowTitleAccessIfNeeded() {
    if (readWindowTitleAccess()) {
        publishWindowTitleAccess(true);
        return true;
    }
    windowTitleAccess_->request();
    publishWindowTitleAccess(readWindowTitleAccess());
    return context_.state().windowTitleAccessGranted;
}

void PermissionRequests::requestWindowTitleAccess() {
    const bool granted = requestWindowTitleAccessIfNeeded();
    // Where the desktop has its own way, the views show its advice in place
    // of the permission text: no message repeats it.
    std::optional<std::string> message;
    if (granted) {
        message = Messages::windowTitleAccessEnabled;
    } else if (!context_.state().windowTitleAccessAdvice) {
        message = Messages::allowScreenRecordingInSettings;
    }
    context_.setSettingsMessage(std::move(message));
    context_.updateAuthorizationForCurrentState();
    context_.notifyConfigurationChanged();
}

void PermissionRequests::openWindowTitleAccessSettings() {
    windowTitleAccess_->request();
    publishWindowTitleAccess(readWindowTitleAccess());
    context_.updateAuthorizationForCurrentState();
    context_.notifyConfigurationChanged();
    if (!context_.state().windowTitleAccessGranted &&
        !systemSettings_->open(platform::PermissionSettingsPage::windowTitles)) {
        context_.setSettingsMessage(Messages::noWindowTitleSettingsPage);
    }
}

void PermissionRequests::refreshWindowTitleAccessStatus() {
    const bool granted = readWindowTitleAccess();
    if (granted == context_.state().windowTitleAccessGranted) {
        return;
    }
    publishWindowTitleAccess(granted);
    context_.setSettingsMessage(granted ? Messages::windowTitleAccessEnabled
                                        : Messages::windowTitleAccessRemoved);
    context_.updateAuthorizationForCurrentState();
    context_.notifyConfigurationChanged();
}

void PermissionRequests::requestSpaceSwitchAccessibility() {
    spaceSwitchAccessibility_->request();
    const bool granted = spaceSwitchAccessibility_->isGranted();
    publishSpaceSwitchAccessibility(granted);
    context_.setSettingsMessage(granted ? Messages::accessibilityEnabled
                                        : Messages::allowAccessibilityInSettings);
}

void PermissionRequests::openSpaceSwitchAccessibilitySettings() {
    spaceSwitchAccessibility_->request();
    publishSpaceSwitchAccessibility(spaceSwitchAccessibility_->isGranted());
    if (!context_.state().spaceSwitchAccessibilityGranted &&
        !systemSettings_->open(platform::PermissionSettingsPage::spaceSwitching)) {
        context_.setSettingsMessage(Messages::noAccessibilitySettingsPage);
    }
}

void PermissionRequests::refreshSpaceSwitchAccessibilityStatus() {
    const bool granted = spaceSwitchAccessibility_->isGranted();
    if (granted == context_.state().spaceSwitchAccessibilityGranted) {
        return;
    }
    publishSpaceSwitchAccessibility(granted);
    context_.setSettingsMessage(granted ? Messages::accessibilityEnabled
                                        : Messages::accessibilityRemoved);
}

void PermissionRequests::recheckSpaceSwitchAccessibility() {
    publishSpaceSwitchAccessibility(spaceSwitchAccessibility_->isGranted());
}

} // namespace deskmap
