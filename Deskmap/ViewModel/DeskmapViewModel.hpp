#pragma once

#include "Deskmap/ViewModel/LaunchAtLoginSetting.hpp"
#include "Deskmap/ViewModel/PermissionRequests.hpp"
#include "Deskmap/ViewModel/PrivacyRulesSetting.hpp"
#include "Deskmap/ViewModel/ProviderSetup.hpp"
#include "Deskmap/ViewModel/ViewModelContext.hpp"
#include "DeskmapAppSupport/Credentials/CredentialStoring.hpp"
#include "DeskmapAppSupport/Factories/SummarizerBuilding.hpp"
#include "DeskmapAppSupport/Permissions/WindowTitleAccessChecking.hpp"
#include "DeskmapAppSupport/Providers/ModelSettings.hpp"
#include "DeskmapAppSupport/Providers/ProviderSettings.hpp"
#include "DeskmapAppSupport/Readiness/SetupReadiness.hpp"
#include "DeskmapAppSupport/RefreshCoordinator/RefreshSnapshot.hpp"
#include "DeskmapAppSupport/SpaceSwitcher/MacOSSpaceSwitcher.hpp"
#include "DeskmapAppSupport/Triggers/RefreshTriggers.hpp"
#include "DeskmapCore/Http/HTTPDataLoading.hpp"
#include "DeskmapCore/InstalledClients/InstalledClientVerifier.hpp"
#include "DeskmapPlatform/Keychain/Keychain.hpp"
#include "DeskmapPlatform/SystemSettings/SystemSettingsOpening.hpp"
#include "DeskmapPlatform/UserDefaults/UserDefaults.hpp"

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace deskmap {

// What the view model is built over: the application passes the production
// services, tests pass fakes.
struct ViewModelServices {
    std::shared_ptr<platform::WindowServer> windowServer; // collection, switching, notifications
    // The keys; when absent, the keychain's items for OpenAI and OpenRouter.
    std::shared_ptr<CredentialStoring> credentials;
    std::shared_ptr<platform::Keychain> keychain;
    std::shared_ptr<platform::UserDefaults> defaults; // where retired keys are removed
    std::shared_ptr<SummaryProviderSettings> summaryProviderSettings;
    std::shared_ptr<InstalledClientSettings> installedClientSettings;
    std::shared_ptr<FirstTimeSetupSettings> firstTimeSetupSettings;
    std::shared_ptr<InstalledClientVerifier> installedClientVerifier;
    std::shared_ptr<WindowTitleAccessRequesting> windowTitleAccess;
    std::shared_ptr<SpaceSwitchAccessibilityChecking> spaceSwitchAccessibility;
    std::shared_ptr<LaunchAtLoginServicing> launchAtLoginService;
    std::shared_ptr<platform::SystemSettingsOpening> systemSettings;
    // Builds each pass's summarizer; when absent, one for the selected
    // provider over the process environment.
    std::shared_ptr<SummarizerBuilding> summarizers;
    // Each HTTP provider's model; when absent, the choices in `defaults`.
    std::shared_ptr<SummaryModelSettings> models;
    // How a local server is asked for its models; a real HTTP session when
    // left empty.
    std::shared_ptr<HTTPDataLoading> http;
    // The local server's own key, whichever provider is selected; the secret
    // store's when left empty.
    std::shared_ptr<CredentialStoring> localCredentials;
    // Which windows may be sent; when absent, the rules in `defaults`.
    std::shared_ptr<PrivacyRuleSettings> privacy;
};

// Where things run. `main` is the thread that paints: the view model, its
// observers and the switcher's completion live there and nothing blocking
// does. `worker` (an io_context's executor) runs the coordinator, the
// summary runs, the triggers and every timer; `background` (threads that may
// block) runs window-server reads and keychain calls. Give it two threads,
// so that a keychain waiting on an unlock prompt never holds up a read.
struct ViewModelExecutors {
    asio::any_io_executor main;
    asio::any_io_executor worker;
    asio::any_io_executor background;
};

struct ViewModelTiming {
    RefreshTriggerTiming triggers;
    SpaceSwitchTiming switching;
};

// The application's one view model: every user-facing state, the operations
// the views call, and the background work that keeps the Space map current.
// Used on the main executor only; no operation throws, failures become the
// three messages.
class DeskmapViewModel : public std::enable_shared_from_this<DeskmapViewModel> {
public:
    using Observer = std::function<void(ViewModelProperty)>;

    static std::shared_ptr<DeskmapViewModel>
    make(ViewModelExecutors executors, ViewModelServices services, ViewModelTiming timing = {});
    // Cancels what still runs without waiting; call shutdown() first.
    ~DeskmapViewModel();
    DeskmapViewModel(const DeskmapViewModel&) = delete;
    DeskmapViewModel& operator=(const DeskmapViewModel&) = delete;

    // Published properties.
    const RefreshSnapshot& snapshot() const { return state().snapshot; }
    SummaryProvider selectedSummaryProvider() const { return state().selectedSummaryProvider; }
    InstalledClient selectedInstalledClient() const { return state().selectedInstalledClient; }
    const InstalledClientVerificationState& installedClientVerification() const {
        return state().installedClientVerification;
    }
    SavedCredentialPresence savedCredentialPresence() const {
        return state().savedCredentialPresence;
    }
    bool windowTitleAccessGranted() const { return state().windowTitleAccessGranted; }
    // While title access is not granted, what the user must do where the
    // desktop has its own way (no permission prompt to show).
    const std::optional<std::string>& windowTitleAccessAdvice() const {
        return state().windowTitleAccessAdvice;
    }
    bool spaceSwitchAccessibilityGranted() const { return state().spaceSwitchAccessibilityGranted; }
    LaunchAtLoginStatus launchAtLoginStatus() const { return state().launchAtLoginStatus; }
    bool firstTimeSetupCompleted() const { return state().firstTimeSetupCompleted; }
    const std::optional<std::string>& settingsMessage() const { return state().settingsMessage; }
    const std::optional<std::string>& spaceSwitchMessage() const {
        return state().spaceSwitchMessage;
    }
    const std::optional<std::string>& launchAtLoginMessage() const {
        return state().launchAtLoginMessage;
    }
    const PrivacyRules& privacyRules() const { return state().privacyRules; }
    // The stored rules that could not be read, whose defaults apply.
    const std::vector<std::string>& malformedPrivacyKeys() const {
        return state().malformedPrivacyKeys;
    }
    FirstTimeSetupReadiness firstTimeSetupReadiness() const;
    // Whether the start-up read of the saved key has ended (whatever it
    // found): until then the readiness does not know about a saved key.
    bool hasLoadedSavedState() const { return provider_.hasLoadedSavedState(); }

    // Told (on the main executor) of every change of a published property.
    std::size_t addObserver(Observer observer);
    void removeObserver(std::size_t id);

    // Operations the views call. Those that need the coordinator, the
    // keychain or the window server start the work and return at once.
    void refreshNow();
    // `answered` (optional) is told whether a switch started, once the
    // window server has been read.
    void switchToSpace(const SpaceInventory& space, std::function<void(bool)> answered = {});
    void selectSummaryProvider(SummaryProvider provider);
    void selectInstalledClient(InstalledClient client);
    void verifyInstalledClient();
    void saveKey(const std::string& key, bool requestWindowTitleAccess);
    void clearKey();
    void requestWindowTitleAccess();
    void openWindowTitleAccessSettings();
    void refreshWindowTitleAccessStatus();
    void requestSpaceSwitchAccessibility();
    void openSpaceSwitchAccessibilitySettings();
    void refreshSpaceSwitchAccessibilityStatus();
    // Reads the saved key again when the last read could not tell (a locked
    // or absent secret store); the windows call it when shown, and a refresh
    // that ends while it is unknown does too.
    void refreshSavedKeyStatus();
    void setLaunchAtLogin(bool enabled);
    void refreshLaunchAtLoginStatus();
    // Where the user approves the login item.
    void openLaunchAtLoginSettings();
    void completeFirstTimeSetup();
    // Edits the privacy rules as stored now; a change withdraws the
    // summaries made under the old ones.
    void changePrivacyRules(const std::function<void(PrivacyRules&)>& edit);
    void restoreDefaultPrivacyRules();
    // Reads the stored rules again (the file may have been edited by hand).
    void reloadPrivacyRules();
    // The model `provider` is asked for, and the user's choice of it: a
    // blank name goes back to the default. A change withdraws the summaries
    // made by the other model.
    std::string summaryModel(SummaryProvider provider) const;
    void setSummaryModel(SummaryProvider provider, const std::string& name);
    // The local server's base URL in use (DESKMAP_LOCAL_BASE_URL, else the
    // setting, else the default), and the user's choice of it: false, and
    // nothing changed, for text that is no http(s) URL with a host.
    std::string localServerBaseURL() const;
    bool setLocalServerAddress(const std::string& address);
    // Asks the local server which models it has; `done` gets them, or the
    // sentence saying why not, on the main executor. The first becomes the
    // model when none is chosen yet.
    using LocalModelsHandler =
        std::function<void(std::vector<std::string>, std::optional<std::string> failure)>;
    void listLocalModels(LocalModelsHandler done);

    // Ends the background work: the triggers, the verification and every
    // task the operations started; returns when all have ended (a publish
    // they wait for needs the main loop running meanwhile).
    asio::awaitable<void> shutdown();

    // Whether summaries may run now (the gate the coordinator asks).
    const SummaryAuthorizationGate& authorization() const { return *context_.gate(); }

private:
    DeskmapViewModel(ViewModelExecutors executors, ViewModelServices services,
                     ViewModelTiming timing);
    void construct();
    const ViewModelState& state() const { return context_.state(); }
    asio::awaitable<void> start();
    asio::awaitable<void> refresh(bool manual);
    asio::awaitable<void> requestSwitch(std::string spaceID, std::optional<std::size_t> shownSpaces,
                                        std::function<void(bool)> answered);
    void handleSpaceSwitchCompletion(SpaceSwitchCompletion completion);
    void applySnapshot(RefreshSnapshot snapshot);

    ViewModelExecutors executors_;
    ViewModelServices services_;
    ViewModelTiming timing_;
    // Keychain calls, one at a time and in the order they were asked for.
    asio::any_io_executor keychain_;

    ViewModelContext context_;
    PermissionRequests permissions_;
    ProviderSetup provider_;
    LaunchAtLoginSetting launchAtLogin_;
    PrivacyRulesSetting privacy_;

    std::shared_ptr<RefreshCoordinator> coordinator_;
    std::unique_ptr<RefreshTriggers> triggers_;
    std::unique_ptr<MacOSSpaceSwitcher> spaceSwitcher_;
};

} // namespace deskmap
