#pragma once

#include "DeskmapAppSupport/Authorization/SummaryAuthorizationGate.hpp"
#include "DeskmapAppSupport/Collaborators/CredentialStoring.hpp"
#include "DeskmapAppSupport/Collaborators/SummarizerBuilding.hpp"
#include "DeskmapAppSupport/Collaborators/WindowTitleAccessChecking.hpp"
#include "DeskmapAppSupport/LaunchAtLogin/LaunchAtLoginConfiguration.hpp"
#include "DeskmapAppSupport/Providers/ProviderSettings.hpp"
#include "DeskmapAppSupport/Readiness/SetupReadiness.hpp"
#include "DeskmapAppSupport/RefreshCoordinator/RefreshSnapshot.hpp"
#include "DeskmapAppSupport/SpaceSwitcher/MacOSSpaceSwitcher.hpp"
#include "DeskmapAppSupport/Triggers/RefreshTriggers.hpp"
#include "DeskmapCore/InstalledClients/InstalledClientVerifier.hpp"
#include "DeskmapPlatform/Keychain/Keychain.hpp"
#include "DeskmapPlatform/SystemSettings/SystemSettingsOpening.hpp"
#include "DeskmapPlatform/UserDefaults/UserDefaults.hpp"

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>
#include <functional>
#include <map>
#include <memory>
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
};

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
    const RefreshSnapshot& snapshot() const { return snapshot_; }
    SummaryProvider selectedSummaryProvider() const { return selectedSummaryProvider_; }
    InstalledClient selectedInstalledClient() const { return selectedInstalledClient_; }
    const InstalledClientVerificationState& installedClientVerification() const {
        return installedClientVerification_;
    }
    SavedCredentialPresence savedCredentialPresence() const { return savedCredentialPresence_; }
    bool windowTitleAccessGranted() const { return windowTitleAccessGranted_; }
    // While title access is not granted, what the user must do where the
    // desktop has its own way (no permission prompt to show).
    const std::optional<std::string>& windowTitleAccessAdvice() const {
        return windowTitleAccessAdvice_;
    }
    bool spaceSwitchAccessibilityGranted() const { return spaceSwitchAccessibilityGranted_; }
    LaunchAtLoginStatus launchAtLoginStatus() const { return launchAtLoginStatus_; }
    bool firstTimeSetupCompleted() const { return firstTimeSetupCompleted_; }
    const std::optional<std::string>& settingsMessage() const { return settingsMessage_; }
    const std::optional<std::string>& spaceSwitchMessage() const { return spaceSwitchMessage_; }
    const std::optional<std::string>& launchAtLoginMessage() const { return launchAtLoginMessage_; }
    FirstTimeSetupReadiness firstTimeSetupReadiness() const;
    // Whether the start-up read of the saved key has ended (whatever it
    // found): until then the readiness does not know about a saved key.
    bool hasLoadedSavedState() const { return savedStateLoaded_; }

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

    // Ends the background work: the triggers, the verification and every
    // task the operations started; returns when all have ended (a publish
    // they wait for needs the main loop running meanwhile).
    asio::awaitable<void> shutdown();

    // Whether summaries may run now (the gate the coordinator asks).
    const SummaryAuthorizationGate& authorization() const { return *authorization_; }

private:
    DeskmapViewModel(ViewModelExecutors executors, ViewModelServices services,
                     ViewModelTiming timing);
    void construct();
    asio::awaitable<void> loadCredentialState();
    asio::awaitable<void> rereadSavedKey(SummaryProvider provider);

    bool providerIsReady() const;
    void updateAuthorizationForCurrentState();
    void notifyConfigurationChanged();
    bool requestWindowTitleAccessIfNeeded();
    // Reads whether titles may be read, and the advice while not.
    bool readWindowTitleAccess();
    void handleSpaceSwitchCompletion(SpaceSwitchCompletion completion);
    void applySnapshot(RefreshSnapshot snapshot);

    std::shared_ptr<CredentialStoring> credentialsFor(SummaryProvider provider) const;
    // Runs `work` on the main executor as a task the shutdown waits for.
    void startTask(asio::awaitable<void> work);
    void reportUnsavedSetting(const std::string& reason);
    // Runs a settings write; the store's reason when it failed.
    static std::optional<std::string> storeSetting(const std::function<void()>& write);
    // Another provider or client: no summary may run until it is ready.
    void stopSummariesForNewChoice();

    template <class T> void publish(T& field, T value, ViewModelProperty property);
    void notify(ViewModelProperty property);

    ViewModelExecutors executors_;
    ViewModelServices services_;
    ViewModelTiming timing_;

    RefreshSnapshot snapshot_;
    SummaryProvider selectedSummaryProvider_ = SummaryProvider::openAI;
    InstalledClient selectedInstalledClient_ = InstalledClient::codex;
    InstalledClientVerificationState installedClientVerification_ =
        InstalledClientVerificationState::unchecked();
    SavedCredentialPresence savedCredentialPresence_ = SavedCredentialPresence::unknown;
    bool windowTitleAccessGranted_ = false;
    std::optional<std::string> windowTitleAccessAdvice_;
    bool spaceSwitchAccessibilityGranted_ = false;
    LaunchAtLoginStatus launchAtLoginStatus_ = LaunchAtLoginStatus::disabled;
    bool firstTimeSetupCompleted_ = false;
    std::optional<std::string> settingsMessage_;
    std::optional<std::string> spaceSwitchMessage_;
    std::optional<std::string> launchAtLoginMessage_;

    std::shared_ptr<SummaryAuthorizationGate> authorization_;
    std::shared_ptr<CredentialStoring> selectedCredentials_;
    std::optional<LaunchAtLoginConfiguration> launchAtLogin_;
    std::shared_ptr<RefreshCoordinator> coordinator_;
    std::unique_ptr<RefreshTriggers> triggers_;
    std::unique_ptr<MacOSSpaceSwitcher> spaceSwitcher_;
    // Keychain calls, one at a time and in the order they were asked for.
    asio::any_io_executor keychain_;

    std::optional<runtime::Task<void>> installedVerificationTask_;
    std::vector<runtime::Task<void>> tasks_;
    std::map<std::size_t, Observer> observers_;
    std::size_t nextObserverID_ = 1;
    bool shutDown_ = false;
    bool savedStateLoaded_ = false;
    bool savedKeyReadInFlight_ = false;
};

} // namespace deskmap
