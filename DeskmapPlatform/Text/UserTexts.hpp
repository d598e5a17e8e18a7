#pragma once

#include <string>

// Every sentence, label and status word the user reads, in one place: the
// windows, the list, the command line's errors. They name the desktop and
// the secret store this build runs with, and what the user can do there.
// Messages built from parts are functions.
namespace deskmap::texts {

// Where keys are kept.
inline constexpr const char* secretStore = "the secret store (GNOME Keyring, KWallet)";

// Provider setup.
inline constexpr const char* enterAPIKey = "Enter an API key.";
inline constexpr const char* couldNotSaveKey =
    "Could not save the API key to the secret store (GNOME Keyring, KWallet). Try again.";
inline constexpr const char* couldNotClearKey =
    "Could not clear the API key from the secret store (GNOME Keyring, KWallet). Try again.";
// Every message about an unreadable saved key starts so: a later read that
// works withdraws it.
inline constexpr const char* couldNotReadSavedKeyPrefix = "Could not read the saved ";
inline constexpr const char* couldNotReadSavedKey =
    "Could not read the saved API key from the secret store (GNOME Keyring, KWallet).";
inline std::string couldNotReadSavedKeyOf(const std::string& provider) {
    return couldNotReadSavedKeyPrefix + provider + " API key from " + secretStore + ".";
}
// A credential store's failure, for reads and changes alike.
inline std::string keyNotAccessible(const std::string& provider) {
    return "The " + provider + " API key could not be read or updated in " + secretStore + ".";
}
inline constexpr const char* verificationFailed = "Verification failed.";
inline constexpr const char* settingNotSaved =
    "Could not save the setting, so it lasts only until Deskmap quits: ";

// Window-title access: what stands in for the screen-recording permission.
inline constexpr const char* allowTitleAccessAfterSave =
    "Allow window title access so Deskmap can read window titles. Screenshots are never "
    "captured.";
inline constexpr const char* windowTitleAccessEnabled = "Window title access is enabled.";
inline constexpr const char* allowTitleAccessInSettings =
    "Allow Deskmap to read window titles in your desktop's settings, then quit and reopen "
    "Deskmap. Screenshots are never captured.";
inline constexpr const char* windowTitleAccessRemoved =
    "Window title access was removed. Summaries are paused until it is restored.";
inline constexpr const char* noWindowTitleSettingsPage =
    "This desktop has no settings page for window title access.";

// Space-switching access: what stands in for the accessibility permission.
inline constexpr const char* switchingAccessEnabled = "Space-switching access is enabled.";
inline constexpr const char* allowSwitchingAccessInSettings =
    "Allow Deskmap to switch workspaces in your desktop's settings, then return to Deskmap.";
inline constexpr const char* switchingAccessRemoved =
    "Space-switching access was removed. Click-to-switch is paused until it is restored.";
inline constexpr const char* noSwitchingSettingsPage =
    "This desktop has no settings page for Space-switching access.";

// Launch at login, through the desktop's autostart entries.
inline constexpr const char* launchAtLoginDisabled = "Deskmap will no longer open automatically.";
inline constexpr const char* launchAtLoginEnabled =
    "Deskmap will open automatically when you log in.";
inline constexpr const char* launchAtLoginRequiresApproval =
    "Allow Deskmap in your desktop's autostart settings to finish enabling it.";
inline constexpr const char* launchAtLoginNotFound =
    "Your desktop does not currently have an autostart entry for Deskmap.";
inline std::string launchAtLoginFailed(bool enabling, const std::string& reason) {
    return std::string("Could not ") + (enabling ? "enable" : "disable") +
           " launch at login: " + reason;
}

// Switching Spaces.
inline constexpr const char* switchInProgress = "Wait for the current Space switch to finish.";
inline constexpr const char* switchNeedsAccess =
    "Allow Space-switching access, then click the Space again.";
inline constexpr const char* switchTargetNotOnDisplay =
    "Move the pointer to the target display and open Deskmap there to switch to that Space.";
inline constexpr const char* switchUnavailable =
    "Could not switch Spaces. Try opening Deskmap again on the target display.";
inline constexpr const char* switchMapChanged =
    "The Spaces changed since the list was shown. Click the Space again.";
inline constexpr const char* switchTargetChanged =
    "The target Space changed before Deskmap could reach it.";
inline constexpr const char* switchRefused =
    "The desktop refused the Space switch. Check Space-switching access.";
inline constexpr const char* switchTimedOut =
    "Space switching timed out before reaching the target.";

// Reading the Spaces.
inline std::string couldNotReadSpaces(const std::string& reason) {
    return "Could not read this desktop's Spaces: " + reason;
}
inline constexpr const char* noSpacesData = "the window server returned no Spaces data";
inline constexpr const char* malformedSpacesData =
    "the window server returned malformed Spaces data";
inline std::string malformedSpacesDataBecause(const std::string& reason) {
    return "malformed Spaces data: " + reason;
}
inline std::string noSpaceAssignment(const std::string& window) {
    return "the window server returned no Space assignment for window " + window;
}
inline std::string malformedSpaceAssignment(const std::string& window) {
    return "the window server returned a malformed Space assignment for window " + window;
}

// Settings and setup: the permission sections.
inline constexpr const char* autostartStatus = "Autostart status";
inline constexpr const char* autostartNeedsApproval =
    "Deskmap is registered, but your desktop requires approval before it can open at login.";
inline constexpr const char* openAutostartSettings = "Open Autostart Settings";
inline constexpr const char* switchingExplanation =
    "Clickable Space rows need Space-switching access to switch workspaces the way the "
    "desktop's own shortcuts do. Deskmap reads nothing else from other apps.";
inline constexpr const char* switchingExplanationOptional =
    "This permission is optional. Deskmap uses it only to switch workspaces, one step at a "
    "time, the way the desktop's own shortcuts do.";
inline constexpr const char* openSwitchingSettings = "Open Space-Switching Settings";
inline constexpr const char* titleAccessExplanation =
    "Your desktop decides whether Deskmap may read other apps' window titles. Deskmap uses them "
    "only for titles and never captures screenshots or screen contents.";
inline constexpr const char* titleAccessExplanationSetup =
    "Your desktop decides whether Deskmap may read window titles. Deskmap uses them only for "
    "window titles and never captures screenshots or screen contents.";
inline constexpr const char* openTitleAccessSettings = "Open Window Title Settings";
inline constexpr const char* openDesktopSettings = "Open Desktop Settings";
inline constexpr const char* openPrivacySettings = "Open Privacy Settings";
inline constexpr const char* titleAccessThroughExtension =
    "Deskmap reads window titles here through its own desktop extension, never screen "
    "contents. ";
inline constexpr const char* allowed = "Allowed";
inline constexpr const char* required = "Required";

// Status words.
inline constexpr const char* clientNotChecked = "Not checked";
inline constexpr const char* clientChecking = "Checking...";
inline constexpr const char* clientAvailable = "Available and signed in";
inline constexpr const char* keySaved = "Saved";
inline constexpr const char* keyNotSaved = "Not saved";
inline constexpr const char* keyUnavailable = "Unavailable";
inline constexpr const char* loginItemOff = "Off";
inline constexpr const char* loginItemOn = "On";
inline constexpr const char* loginItemNeedsApproval = "Approval required";
inline constexpr const char* loginItemNotRegistered = "Not registered";

} // namespace deskmap::texts
