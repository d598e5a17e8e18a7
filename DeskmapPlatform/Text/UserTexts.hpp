#pragma once

#include <cstddef>
#include <cstdint>
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

// The windows.
inline constexpr const char* appName = "Deskmap";
inline constexpr const char* refreshingSpaces = "Refreshing Spaces";
inline constexpr const char* openSetup = "Open setup";
inline constexpr const char* refreshNow = "Refresh Now";
inline constexpr const char* settingsMenu = "Settings…";
inline constexpr const char* settingsMenuName = "Settings...";
inline constexpr const char* quit = "Quit";
inline constexpr const char* collectingSpaces = "Collecting local Space information...";
inline constexpr const char* statusPrefix = "Status: ";
inline constexpr const char* spaceRowName = "Space %1%2";
inline constexpr const char* spaceRowCurrent = ", current";
inline constexpr const char* staleBadge = "STALE";
inline constexpr const char* staleBadgeName = "Stale summary for older evidence";
inline constexpr const char* currentSpace = "Current Space";
inline constexpr const char* switchToThisSpace = "Switch to this Space";
inline constexpr const char* rowName = "Name";
inline constexpr const char* serverLabel = "Server";
inline constexpr const char* serverAddress = "Server address";
inline constexpr const char* serverReach = "Where window titles go";
inline constexpr const char* optionalAPIKey = "API key (optional)";
inline constexpr const char* rowLabel = "Label";
inline constexpr const char* rowSummary = "Summary";
inline constexpr const char* setupStepLine = "Step %1 of %2";
inline constexpr const char* setupProgress = "Setup progress";
inline constexpr const char* setupProgressFormat = "Step %v of %m";
inline constexpr const char* titleAccessAllowed = "Window title access allowed";
inline constexpr const char* allowTitleAccess = "Allow Window Title Access";
inline constexpr const char* switchingAllowed = "Space switching allowed";
inline constexpr const char* allowSwitching = "Allow Space Switching";
inline constexpr const char* back = "Back";
inline constexpr const char* continueSetup = "Continue";
inline constexpr const char* finishSetup = "Finish Setup";
inline constexpr const char* setupStatusPrefix = "Setup status: ";
inline constexpr const char* setupWindowTitle = "Set Up Deskmap";
inline constexpr const char* setupBanner = "Set up Deskmap";
inline constexpr const char* apiKeyNotShown =
    " The API key travels in a request header and is not shown.";
inline constexpr const char* whatIsSentTitle = "What Is Sent";
inline constexpr const char* whatIsSentName = "What is sent";
inline constexpr const char* nothingToSend =
    "No Spaces have been read yet, so there is nothing to send.";
inline constexpr const char* inProgress = "In progress";
inline constexpr const char* clientStatus = "Client status";
inline constexpr const char* settingsTitle = "Deskmap Settings";
inline constexpr const char* general = "General";
inline constexpr const char* openAtLogin = "Open Deskmap at login";
inline constexpr const char* summaryProvider = "Summary provider";
inline constexpr const char* showWhatIsSent = "Show What Is Sent…";
inline constexpr const char* showWhatIsSentName = "Show What Is Sent";
inline constexpr const char* summaryStatus = "Summary status";
inline constexpr const char* privacy = "Privacy";
inline constexpr const char* findSpaces = "Find Spaces";
inline constexpr const char* privacyExplanation =
    "Windows matched here still show in the list, but their app names and titles never leave "
    "this computer.";
inline constexpr const char* appsNeverSent = "Apps never sent";
inline constexpr const char* titlesNeverSent = "Titles never sent";
inline constexpr const char* appToWithhold = "App to withhold";
inline constexpr const char* titlePatternToWithhold = "Title pattern to withhold";
inline constexpr const char* titlePatternHint = "Text in the title, or a pattern with *";
inline constexpr const char* add = "Add";
inline constexpr const char* addApp = "Add App";
inline constexpr const char* addTitlePattern = "Add Title Pattern";
inline constexpr const char* remove = "Remove";
inline constexpr const char* removeApp = "Remove App";
inline constexpr const char* removeTitlePattern = "Remove Title Pattern";
inline constexpr const char* maskIdentifiers = "Mask identifiers in the titles that are sent";
inline constexpr const char* maskIdentifiersExplanation =
    "E-mail addresses, long numbers, tokens and web addresses' queries become placeholders such "
    "as [email]; ticket numbers such as ABC-123 stay.";
inline constexpr const char* restoreDefaults = "Restore Defaults";
inline constexpr const char* restoreDefaultPrivacyRules = "Restore Default Privacy Rules";
inline constexpr const char* showWhatIsSentUnderRules = "Show What Is Sent Under These Rules";
inline constexpr const char* apiKey = "API key";
inline constexpr const char* windowTitleAccess = "Window title access";
inline constexpr const char* spaceSwitching = "Space switching";
inline constexpr const char* launchAtLoginStatusPrefix = "Launch at login status: ";
inline constexpr const char* settingsStatusPrefix = "Settings status: ";
inline constexpr const char* provider = "Provider";
inline constexpr const char* client = "Client";
inline constexpr const char* checkAvailability = "Check Availability";
inline constexpr const char* save = "Save";
inline constexpr const char* clear = "Clear";
inline constexpr const char* model = "Model";
inline constexpr const char* keyStatus = "Key status";
inline constexpr const char* whatIsSentHeading =
    "The next summary sends %1 exactly this, made from the app names and window titles of the "
    "Spaces shown now. Nothing else about your screen leaves this computer.";
inline constexpr const char* sparseEvidence = "Sparse evidence";
inline constexpr const char* noWindowEvidence = "No meaningful window evidence was found.";
inline constexpr const char* setupRequired = "Setup required";
inline constexpr const char* ready = "Ready";
inline constexpr const char* refreshing = "Refreshing";
inline constexpr const char* permissionRequired = "Permission required";
inline constexpr const char* error = "Error";
inline constexpr const char* connectProviderStep = "Connect a provider";
inline constexpr const char* titleAccessStep = "Allow window title access";
inline constexpr const char* switchingStep = "Enable Space switching";
inline constexpr const char* connectProviderStepDetail =
    "Choose how Deskmap should create labels and summaries.";
inline constexpr const char* titleAccessStepDetail =
    "Deskmap needs permission to read the titles of windows on your Spaces.";
inline constexpr const char* switchingStepDetail =
    "Optionally allow Deskmap to switch Spaces when you click a row.";
inline constexpr const char* aWhileAgo = "a while ago";

// Errors and states.
inline constexpr const char* couldNotCollect = "Could not collect Space information.";
inline constexpr const char* couldNotReadCredential = "Could not read the provider credential.";
inline constexpr const char* couldNotSummarize = "Could not summarize Spaces. Try again.";
inline constexpr const char* openAIName = "OpenAI";
inline constexpr const char* openRouterName = "OpenRouter";
inline constexpr const char* localServerName = "Local server";
inline constexpr const char* installedClientName = "Installed client";
inline constexpr const char* selectedInstalledClient = "Selected installed client";
inline constexpr const char* currentMark = " (current)";
inline constexpr const char* noMeaningfulWindows = "   No meaningful windows detected.";

// The list and the wizard, built from parts.
inline std::string localInventory(std::size_t windows) {
    return "Local inventory contains " + std::to_string(windows) + " window" +
           (windows == 1 ? "" : "s") + ".";
}
inline std::string refreshedAgo(const std::string& when) {
    return "Refreshed " + when;
}
inline constexpr const char* checkingClientBeforeSending =
    "Checking the installed client before sending window metadata...";

// Summaries: the providers' and the installed clients' failures.
inline std::string requestFailed(const std::string& who, const std::string& reason) {
    return who + " request failed: " + reason;
}
inline std::string serviceFailed(const std::string& who, int status, const std::string& message) {
    return who + " returned HTTP " + std::to_string(status) + ": " + message;
}
inline std::string invalidResponse(const std::string& who, const std::string& reason) {
    return who + " returned an invalid response: " + reason;
}
// A local server that cannot be reached is named by its address, the one
// thing the user can check.
inline std::string localServerUnreachable(const std::string& server, const std::string& reason) {
    return "Could not reach the local model server at " + server + " (" + reason +
           "). Start it, or set its address in Settings or DESKMAP_LOCAL_BASE_URL.";
}
inline std::string localServerReplied(const std::string& server, const std::string& reply) {
    return "The local model server at " + server + " " + reply;
}
inline constexpr const char* localServerOnThisComputer =
    "The server runs on this computer: nothing Deskmap sends leaves it.";
inline std::string localServerElsewhere(const std::string& host) {
    return "App names and window titles leave this computer for " + host + ".";
}
inline std::string localServerElsewhereUnencrypted(const std::string& host) {
    return "App names and window titles leave this computer for " + host +
           " unencrypted (plain HTTP): anyone on the way can read them. Use https:// where the "
           "server offers it.";
}
inline constexpr const char* localServerVariableIgnored =
    "DESKMAP_LOCAL_BASE_URL is no http:// or https:// URL with a host; it is ignored.";
inline constexpr const char* localServerAddressInvalid =
    "The server address must be an http:// or https:// URL with a host, such as "
    "http://127.0.0.1:11434.";
inline constexpr const char* localModelRequired =
    "Choose a model of the local server: --model, or the model in Settings.";
inline constexpr const char* localServerFirstModel = "<the first model the server lists>";
inline constexpr const char* localServerListsNoModels =
    "The local model server lists no models. Install one in it, then try again.";
inline constexpr const char* openAIKeyRequired = "OPENAI_ACCESS_TOKEN is required for summarize.";
inline constexpr const char* openRouterKeyRequired =
    "OPENROUTER_API_KEY is required for summarize with OpenRouter.";
inline std::string clientNotFound(const std::string& who) {
    return "Could not find the " + who + " executable. Install it and try again.";
}
inline std::string clientNotSignedIn(const std::string& who) {
    return who + " is not signed in. Sign in with its command-line client, then check again.";
}
inline std::string clientNotVerified(const std::string& who, const std::string& reason) {
    return "Could not verify " + who + ": " + reason;
}
inline std::string clientTimedOut(const std::string& who) {
    return who + " timed out. Try again.";
}
inline std::string clientFailed(const std::string& who, int status) {
    return who + " exited with status " + std::to_string(status) +
           ". Check its sign-in state and try again.";
}
inline std::string clientInvalidResponse(const std::string& who, const std::string& reason) {
    return who + " returned an invalid response: " + reason;
}

// The command line. Errors of its own follow the program's name ("deskmap: ").
inline constexpr const char* demoFallback = "no desktop found: showing the built-in demo desktop";
inline constexpr const char* seeHelp = "Run 'deskmap --help' for the commands and their options.";
inline constexpr const char* keyInputTooLong = "the input is too long to be an API key.";
inline constexpr const char* noKeyGiven = "no key was given on standard input.";
inline constexpr const char* couldNotSwitch = "Could not switch Spaces.";
inline constexpr const char* unknownError = "an unknown error occurred";
inline constexpr const char* noDisplay =
    "no display to show a window on (DISPLAY is not set). Try: deskmap-app --screenshot FILE.png";
inline std::string noSuchSpace(std::int64_t index, std::size_t spaces) {
    return "there is no Space " + std::to_string(index) + " (Spaces are numbered 1 to " +
           std::to_string(spaces) + ")";
}
inline std::string spaceAlreadyCurrent(std::int64_t index) {
    return "Space " + std::to_string(index) + " is already current";
}
inline std::string switchedToSpace(std::int64_t index) {
    return "Switched to Space " + std::to_string(index);
}
inline std::string withheldWindows(std::int64_t space, std::size_t windows) {
    return "Space " + std::to_string(space) + ": " + std::to_string(windows) +
           (windows == 1 ? " window" : " windows") + " withheld by the privacy rules";
}
inline std::string malformedPrivacySetting(const std::string& key) {
    return "the privacy setting \"" + key +
           "\" in the settings file is malformed, so its default "
           "applies";
}
// The reason after "… returned HTTP 404: " when the server refuses a model.
inline std::string modelRefused(const std::string& name, const std::string& message) {
    return "the model \"" + name + "\" was refused (" + message +
           "); choose another model in Settings or with --model";
}
inline std::string displayName(std::size_t number) {
    return "Display " + std::to_string(number);
}
// A display's header in the list, with its current Space.
inline std::string displayHeader(const std::string& display, std::int64_t current) {
    return display + " · on Space " + std::to_string(current);
}
inline std::string malformedPrivacyNotice(const std::string& key) {
    return "The saved privacy setting \"" + key +
           "\" is malformed, so its default applies until a rule is changed here.";
}
inline constexpr const char* unusableModelName =
    "--model needs a model name: one line of at most 200 characters, without control "
    "characters or spaces at either end";
inline constexpr const char* modelNeedsHTTPProvider =
    "--model applies only to openai and openrouter: an installed client uses its own model";
inline constexpr const char* runningAppStateUnreadable =
    "the running Deskmap app sent a state this version cannot read; its last readable state "
    "stays shown (update deskmap to match the app)";
inline std::string summariesOff(const std::string& reason) {
    return "summaries are off: " + reason;
}

namespace help {
inline constexpr const char* program =
    "Maps the Spaces (virtual desktops) of every display: their windows and what each is for.";
inline constexpr const char* desktop =
    "Desktop to read: \"gnome\" (through Deskmap's GNOME Shell extension), \"kde\" (through a "
    "script Deskmap loads into KWin), \"sway\", \"i3\", \"x11\" (an EWMH window manager), "
    "\"demo\" (the built-in simulated desktop) or a scenario file path. Overrides "
    "DESKMAP_DESKTOP; without either, the running desktop (the demo only where no graphical "
    "session runs at all).";
inline constexpr const char* spaces = "Print every Space of every display with its windows.";
inline constexpr const char* json = "Print JSON instead of terminal text.";
inline constexpr const char* jsonLines = "Print one JSON object per line.";
inline constexpr const char* summarize =
    "Print a label and a one-phrase summary for every Space, written by a language model from "
    "app names and window titles.";
inline constexpr const char* summarizeProvider =
    "Summary provider: openai (key in OPENAI_ACCESS_TOKEN), openrouter (key in "
    "OPENROUTER_API_KEY), local (a model server at DESKMAP_LOCAL_BASE_URL or the address in the "
    "settings, optional key in DESKMAP_LOCAL_API_KEY), or an installed, signed-in client: codex "
    "or cursor.";
inline constexpr const char* dryRun =
    "Print the endpoint and the request body that would be sent, and send nothing.";
inline constexpr const char* modelOption =
    "The model openai or openrouter is asked for. Default: the one chosen in the settings, else "
    "the provider's own.";
inline constexpr const char* checkClient =
    "Check that an installed command-line client is available and signed in.";
inline constexpr const char* client = "codex or cursor";
inline constexpr const char* switchSpace =
    "Switch the display under the pointer to a Space, one workspace at a time.";
inline constexpr const char* index = "The Space's number in `deskmap spaces`.";
inline constexpr const char* watch =
    "Keep the map of Spaces current and print every change: at start, every 300 seconds, when "
    "Spaces are added, removed or moved, and when the active Space changes. Summaries are "
    "reused while the windows are unchanged.";
inline constexpr const char* watchProvider =
    "Summary provider: openai, openrouter (key from OPENAI_ACCESS_TOKEN or OPENROUTER_API_KEY, "
    "else from `deskmap key`), local (optional key from DESKMAP_LOCAL_API_KEY or `deskmap key`), "
    "codex or cursor. Default: the provider chosen in the settings.";
inline constexpr const char* once = "Exit after the first refresh has published its result.";
inline constexpr const char* format =
    "How each state is printed: text, json (as --json), waybar (a JSON object per line for a "
    "custom module: text, tooltip, class) or polybar (one plain line).";
inline constexpr const char* key =
    "Save, clear or show an API key in the desktop's secret store. `save` reads the key from "
    "standard input.";
inline constexpr const char* keyAction = "save, clear or status";
inline constexpr const char* keyProvider = "openai, openrouter or local";
inline constexpr const char* models =
    "List the models of the local model server (the first is the default).";
inline constexpr const char* modelsProvider = "local (the only provider whose models are listed)";
inline constexpr const char* app = "Deskmap: every Space of every display, in the tray.";
inline constexpr const char* appShow = "Open the Space list (of the running Deskmap).";
inline constexpr const char* appDesktop =
    "The desktop to read: gnome, kde, sway, i3, x11, demo or a scenario file.";
inline constexpr const char* appScreenshot =
    "Render the Space list after its first refresh into FILE and exit.";
} // namespace help

} // namespace deskmap::texts
