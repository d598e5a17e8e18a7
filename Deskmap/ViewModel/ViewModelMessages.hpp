#pragma once

// The sentences the view model shows, in one place.
namespace deskmap::ViewModelMessages {

inline constexpr const char* enterAPIKey = "Enter an API key.";
inline constexpr const char* couldNotSaveKey = "Could not save the API key to Keychain. Try again.";
inline constexpr const char* couldNotClearKey =
    "Could not clear the API key from Keychain. Try again.";
inline constexpr const char* couldNotReadSavedKey =
    "Could not read the saved API key from Keychain.";
inline constexpr const char* allowScreenRecordingAfterSave =
    "Allow Screen Recording access so Deskmap can read window titles. Screenshots are never "
    "captured.";
inline constexpr const char* windowTitleAccessEnabled = "Window title access is enabled.";
inline constexpr const char* allowScreenRecordingInSettings =
    "Allow Deskmap in Privacy & Security > Screen & System Audio Recording, then quit and reopen "
    "Deskmap. Screenshots are never captured.";
inline constexpr const char* windowTitleAccessRemoved =
    "Window title access was removed. Summaries are paused until it is restored.";
inline constexpr const char* accessibilityEnabled =
    "Accessibility access is enabled for Space switching.";
inline constexpr const char* allowAccessibilityInSettings =
    "Allow Deskmap in Privacy & Security > Accessibility, then return to Deskmap.";
inline constexpr const char* accessibilityRemoved =
    "Accessibility access was removed. Click-to-switch is paused until it is restored.";
inline constexpr const char* verificationFailed = "Verification failed.";

inline constexpr const char* launchAtLoginDisabled = "Deskmap will no longer open automatically.";
inline constexpr const char* launchAtLoginEnabled =
    "Deskmap will open automatically when you log in.";
inline constexpr const char* launchAtLoginRequiresApproval =
    "Allow Deskmap under Open at Login in System Settings to finish enabling it.";
inline constexpr const char* launchAtLoginNotFound =
    "macOS does not currently have a login item for Deskmap.";

// Beyond the platform the texts above were written for.
inline constexpr const char* noWindowTitleSettingsPage =
    "This desktop has no settings page for window title access.";
inline constexpr const char* noAccessibilitySettingsPage =
    "This desktop has no settings page for Accessibility access.";
inline constexpr const char* settingNotSaved =
    "Could not save the setting, so it lasts only until Deskmap quits: ";

} // namespace deskmap::ViewModelMessages
