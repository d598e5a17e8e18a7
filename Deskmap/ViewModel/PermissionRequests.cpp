#include "Deskmap/ViewModel/PermissionRequests.hpp"

#include "DeskmapPlatform/Text/UserTexts.hpp"

namespace deskmap {

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
        message = texts::windowTitleAccessEnabled;
    } else if (!context_.state().windowTitleAccessAdvice) {
        message = texts::allowTitleAccessInSettings;
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
        context_.setSettingsMessage(texts::noWindowTitleSettingsPage);
    }
}

void PermissionRequests::refreshWindowTitleAccessStatus() {
    const bool granted = readWindowTitleAccess();
    if (granted == context_.state().windowTitleAccessGranted) {
        return;
    }
    publishWindowTitleAccess(granted);
    context_.setSettingsMessage(granted ? texts::windowTitleAccessEnabled
                                        : texts::windowTitleAccessRemoved);
    context_.updateAuthorizationForCurrentState();
    context_.notifyConfigurationChanged();
}

void PermissionRequests::requestSpaceSwitchAccessibility() {
    spaceSwitchAccessibility_->request();
    const bool granted = spaceSwitchAccessibility_->isGranted();
    publishSpaceSwitchAccessibility(granted);
    context_.setSettingsMessage(granted ? texts::switchingAccessEnabled
                                        : texts::allowSwitchingAccessInSettings);
}

void PermissionRequests::openSpaceSwitchAccessibilitySettings() {
    spaceSwitchAccessibility_->request();
    publishSpaceSwitchAccessibility(spaceSwitchAccessibility_->isGranted());
    if (!context_.state().spaceSwitchAccessibilityGranted &&
        !systemSettings_->open(platform::PermissionSettingsPage::spaceSwitching)) {
        context_.setSettingsMessage(texts::noSwitchingSettingsPage);
    }
}

void PermissionRequests::refreshSpaceSwitchAccessibilityStatus() {
    const bool granted = spaceSwitchAccessibility_->isGranted();
    if (granted == context_.state().spaceSwitchAccessibilityGranted) {
        return;
    }
    publishSpaceSwitchAccessibility(granted);
    context_.setSettingsMessage(granted ? texts::switchingAccessEnabled
                                        : texts::switchingAccessRemoved);
}

void PermissionRequests::recheckSpaceSwitchAccessibility() {
    publishSpaceSwitchAccessibility(spaceSwitchAccessibility_->isGranted());
}

} // namespace deskmap
