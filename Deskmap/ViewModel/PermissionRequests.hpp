#pragma once

#include "Deskmap/ViewModel/ViewModelContext.hpp"
#include "DeskmapAppSupport/Permissions/WindowTitleAccessChecking.hpp"
#include "DeskmapAppSupport/SpaceSwitcher/MacOSSpaceSwitcher.hpp"
#include "DeskmapPlatform/SystemSettings/SystemSettingsOpening.hpp"

#include <memory>

namespace deskmap {

// The two permissions: reading window titles (which decides whether
// summaries may run) and switching Spaces, their requests, their settings
// pages and the messages that tell the user where they stand.
class PermissionRequests {
public:
    PermissionRequests(ViewModelContext& context,
                       std::shared_ptr<WindowTitleAccessRequesting> windowTitleAccess,
                       std::shared_ptr<SpaceSwitchAccessibilityChecking> spaceSwitchAccessibility,
                       std::shared_ptr<platform::SystemSettingsOpening> systemSettings);

    // Reads both permissions as they stand at start.
    void load();

    // Asks only when not granted; whether titles may be read afterwards.
    bool requestWindowTitleAccessIfNeeded();
    void requestWindowTitleAccess();
    void openWindowTitleAccessSettings();
    void refreshWindowTitleAccessStatus();

    void requestSpaceSwitchAccessibility();
    void openSpaceSwitchAccessibilitySettings();
    void refreshSpaceSwitchAccessibilityStatus();
    // After a switch was refused for want of the permission: no message.
    void recheckSpaceSwitchAccessibility();

private:
    // Reads whether titles may be read, and the advice while not.
    bool readWindowTitleAccess();
    void publishWindowTitleAccess(bool granted);
    void publishSpaceSwitchAccessibility(bool granted);

    ViewModelContext& context_;
    std::shared_ptr<WindowTitleAccessRequesting> windowTitleAccess_;
    std::shared_ptr<SpaceSwitchAccessibilityChecking> spaceSwitchAccessibility_;
    std::shared_ptr<platform::SystemSettingsOpening> systemSettings_;
};

} // namespace deskmap
