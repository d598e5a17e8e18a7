#include "Deskmap/ViewModel/DeskmapViewModel.hpp"

#include "Deskmap/ViewModel/ViewModelMessages.hpp"
#include "DeskmapAppSupport/Credentials/KeychainCredentialStore.hpp"
#include "DeskmapAppSupport/Credentials/SelectedProviderCredentialStore.hpp"
#include "DeskmapAppSupport/Credentials/SummaryConfiguration.hpp"
#include "DeskmapAppSupport/Factories/SelectedProviderSummarizerFactory.hpp"
#include "DeskmapAppSupport/SpaceSwitcher/SpaceSwitchOutcome.hpp"
#include "DeskmapCore/API/Credential.hpp"
#include "DeskmapCore/Collection/MacOSSpaceCollector.hpp"
#include "DeskmapCore/Errors/UserFacingMessage.hpp"
#include "DeskmapCore/Process/FoundationInstalledClientProcessRunner.hpp"
#include "DeskmapCore/Text/Unicode.hpp"
#include "DeskmapPlatform/Runtime/RunOn.hpp"

#include <asio/strand.hpp>
#include <asio/this_coro.hpp>

namespace deskmap {

namespace Messages = ViewModelMessages;

namespace {

constexpr const char* retiredAutomaticSummariesKey = "automaticSummariesEnabled";

// The provider a credential call was made for, whatever is selected when it
// runs.
class FixedProvider final : public SummaryProviderSettings {
public:
    explicit FixedProvider(SummaryProvider provider) : provider_(provider) {}
    SummaryProvider selectedProvider() const override { return provider_; }
    void setSelectedProvider(SummaryProvider) override {}

private:
    SummaryProvider provider_;
};

asio::awaitable<void> verify(std::shared_ptr<InstalledClientVerifier> verifier,
                             InstalledClient client) {
    auto verifying = verifier->verify(client);
    co_await std::move(verifying);
}

std::string launchAtLoginText(const LaunchAtLoginConfiguration::UpdateResult& result,
                              bool requested) {
    if (result.kind == LaunchAtLoginConfiguration::UpdateResult::Kind::failed) {
        return std::string("Could not ") + (requested ? "enable" : "disable") +
               " launch at login: " + result.message;
    }
    switch (result.status) {
    case LaunchAtLoginStatus::disabled:
        return Messages::launchAtLoginDisabled;
    case LaunchAtLoginStatus::enabled:
        return Messages::launchAtLoginEnabled;
    case LaunchAtLoginStatus::requiresApproval:
        return Messages::launchAtLoginRequiresApproval;
    case LaunchAtLoginStatus::notFound:
        break;
    }
    return Messages::launchAtLoginNotFound;
}

} // namespace

std::shared_ptr<DeskmapViewModel> DeskmapViewModel::make(ViewModelExecutors executors,
                                                         ViewModelServices services,
                                                         ViewModelTiming timing) {
    std::shared_ptr<DeskmapViewModel> viewModel(
        new DeskmapViewModel(std::move(executors), std::move(services), timing));
    viewModel->construct();
    return viewModel;
}

DeskmapViewModel::DeskmapViewModel(ViewModelExecutors executors, ViewModelServices services,
                                   ViewModelTiming timing)
    : executors_(std::move(executors)), services_(std::move(services)),
      timing_(timing), snapshot_{std::nullopt,
                                 std::nullopt,
                                 RefreshSnapshot::Status::refreshing,
                                 RefreshSnapshot::SummaryAssociation::none,
                                 std::nullopt,
                                 std::nullopt},
      keychain_(asio::make_strand(executors_.background)) {}

DeskmapViewModel::~DeskmapViewModel() {
    if (authorization_) {
        authorization_->revoke();
    }
    if (installedVerificationTask_) {
        installedVerificationTask_->cancel();
    }
    for (const auto& task : tasks_) {
        task.cancel();
    }
}

void DeskmapViewModel::construct() {
    authorization_ = std::make_shared<SummaryAuthorizationGate>(executors_.worker, false);
    try {
        services_.defaults->remove(retiredAutomaticSummariesKey);
    } catch (const std::exception&) {
        // Left in place it is only ignored; the next start tries again.
    }
    selectedCredentials_ =
        services_.credentials
            ? services_.credentials
            : std::make_shared<SelectedProviderCredentialStore>(
                  services_.summaryProviderSettings, credentialsFor(SummaryProvider::openAI),
                  credentialsFor(SummaryProvider::openRouter));
    launchAtLogin_.emplace(services_.launchAtLoginService);

    selectedSummaryProvider_ = services_.summaryProviderSettings->selectedProvider();
    selectedInstalledClient_ = services_.installedClientSettings->selectedInstalledClient();
    firstTimeSetupCompleted_ = services_.firstTimeSetupSettings->isCompleted();
    windowTitleAccessGranted_ = readWindowTitleAccess();
    spaceSwitchAccessibilityGranted_ = services_.spaceSwitchAccessibility->isGranted();
    launchAtLoginStatus_ = launchAtLogin_->currentStatus();

    auto summarizers = services_.summarizers;
    if (!summarizers) {
        summarizers = std::make_shared<SelectedProviderSummarizerFactory>(
            services_.summaryProviderSettings, services_.installedClientSettings,
            InstalledClientExecutableLocator::forCurrentProcess(),
            std::make_shared<FoundationInstalledClientProcessRunner>(),
            std::make_shared<platform::UrlSession>());
    }
    const auto collector = std::make_shared<MacOSSpaceCollector>(services_.windowServer);
    const std::weak_ptr<DeskmapViewModel> weak = weak_from_this();
    coordinator_ = RefreshCoordinator::make(
        {executors_.worker, executors_.main, executors_.background, keychain_}, collector,
        selectedCredentials_, authorization_, summarizers, services_.windowTitleAccess,
        [] { return std::chrono::system_clock::now(); },
        [weak](const RefreshSnapshot& snapshot) {
            if (const auto self = weak.lock()) {
                self->applySnapshot(snapshot);
            }
        });
    spaceSwitcher_ = std::make_unique<MacOSSpaceSwitcher>(
        executors_.main, executors_.background,
        std::make_shared<MacOSSpaceCollector>(services_.windowServer),
        services_.spaceSwitchAccessibility, services_.windowServer, timing_.switching);
    spaceSwitcher_->setOnCompletion([weak](SpaceSwitchCompletion completion) {
        if (const auto self = weak.lock()) {
            self->handleSpaceSwitchCompletion(completion);
        }
    });
    triggers_ =
        std::make_unique<RefreshTriggers>(executors_.worker, executors_.background, coordinator_,
                                          collector, services_.windowServer, timing_.triggers);
    // The saved key decides authorization before the first refresh; the
    // keychain is read off the main thread, so the triggers start after it.
    startTask(loadCredentialState());
}

asio::awaitable<void> DeskmapViewModel::loadCredentialState() {
    const auto self = shared_from_this();
    const auto provider = selectedSummaryProvider_;
    const SummaryConfiguration configuration(credentialsFor(provider));
    auto loading =
        runtime::callOn(keychain_, [configuration] { return configuration.currentState(); });
    const auto loaded = co_await std::move(loading);
    if (shutDown_) {
        co_return;
    }
    // A provider chosen meanwhile has read its own state.
    if (selectedSummaryProvider_ == provider) {
        publish(savedCredentialPresence_, loaded.state.savedCredentialPresence,
                ViewModelProperty::savedCredentialPresence);
        updateAuthorizationForCurrentState();
        if (loaded.kind == SummaryConfiguration::LoadResult::Kind::credentialReadFailed &&
            provider != SummaryProvider::installedClient) {
            publish(settingsMessage_,
                    std::optional<std::string>("Could not read the saved " + displayName(provider) +
                                               " API key from Keychain."),
                    ViewModelProperty::settingsMessage);
        }
        if (provider == SummaryProvider::installedClient) {
            verifyInstalledClient();
        }
    }
    savedStateLoaded_ = true;
    triggers_->start();
}

std::shared_ptr<CredentialStoring>
DeskmapViewModel::credentialsFor(SummaryProvider provider) const {
    if (services_.credentials) {
        return services_.credentials;
    }
    if (!usesAPIKey(provider)) {
        return std::make_shared<SelectedProviderCredentialStore>(
            std::make_shared<FixedProvider>(provider), nullptr, nullptr);
    }
    return std::make_shared<KeychainCredentialStore>(provider, services_.keychain);
}

FirstTimeSetupReadiness DeskmapViewModel::firstTimeSetupReadiness() const {
    return FirstTimeSetupReadiness::resolve(selectedSummaryProvider_, savedCredentialPresence_,
                                            installedClientVerification_,
                                            windowTitleAccessGranted_);
}

std::size_t DeskmapViewModel::addObserver(Observer observer) {
    const auto id = nextObserverID_++;
    observers_.emplace(id, std::move(observer));
    return id;
}

void DeskmapViewModel::removeObserver(std::size_t id) {
    observers_.erase(id);
}

template <class T> void DeskmapViewModel::publish(T& field, T value, ViewModelProperty property) {
    if (field == value) {
        return;
    }
    field = std::move(value);
    notify(property);
}

void DeskmapViewModel::notify(ViewModelProperty property) {
    // A copy: an observer may remove itself or others.
    const auto observers = observers_;
    for (const auto& [id, observer] : observers) {
        if (observers_.contains(id)) {
            observer(property);
        }
    }
}

void DeskmapViewModel::applySnapshot(RefreshSnapshot snapshot) {
    // Not after a pass whose own read failed: that would be a second unlock
    // prompt right after the first was dismissed.
    const bool passEnded = snapshot.status != RefreshSnapshot::Status::refreshing &&
                           snapshot.status != RefreshSnapshot::Status::credentialFailed;
    publish(snapshot_, std::move(snapshot), ViewModelProperty::snapshot);
    // The coordinator needed the key and the store may answer now.
    if (passEnded) {
        refreshSavedKeyStatus();
    }
}

void DeskmapViewModel::refreshSavedKeyStatus() {
    const auto provider = selectedSummaryProvider_;
    if (shutDown_ || !savedStateLoaded_ || savedKeyReadInFlight_ || !usesAPIKey(provider) ||
        savedCredentialPresence_ != SavedCredentialPresence::unknown) {
        return;
    }
    savedKeyReadInFlight_ = true;
    startTask(rereadSavedKey(provider));
}

asio::awaitable<void> DeskmapViewModel::rereadSavedKey(SummaryProvider provider) {
    const auto self = shared_from_this();
    const SummaryConfiguration configuration(credentialsFor(provider));
    std::optional<SummaryConfiguration::LoadResult> loaded;
    try {
        auto loading =
            runtime::callOn(keychain_, [configuration] { return configuration.currentState(); });
        loaded = co_await std::move(loading);
    } catch (...) {
        savedKeyReadInFlight_ = false;
        throw; // cancelled: the shutdown is under way
    }
    savedKeyReadInFlight_ = false;
    // A provider chosen or a key saved meanwhile has read its own state.
    if (shutDown_ || selectedSummaryProvider_ != provider ||
        savedCredentialPresence_ != SavedCredentialPresence::unknown ||
        loaded->kind != SummaryConfiguration::LoadResult::Kind::loaded) {
        co_return;
    }
    publish(savedCredentialPresence_, loaded->state.savedCredentialPresence,
            ViewModelProperty::savedCredentialPresence);
    if (settingsMessage_ && settingsMessage_->starts_with("Could not read the saved")) {
        publish(settingsMessage_, std::optional<std::string>(), ViewModelProperty::settingsMessage);
    }
    updateAuthorizationForCurrentState();
    notifyConfigurationChanged();
}

void DeskmapViewModel::startTask(asio::awaitable<void> work) {
    std::erase_if(tasks_, [](const auto& task) { return task.isFinished(); });
    tasks_.push_back(runtime::Task<void>::spawn(executors_.main, std::move(work)));
}

void DeskmapViewModel::reportUnsavedSetting(const std::string& reason) {
    publish(settingsMessage_, std::optional<std::string>(Messages::settingNotSaved + reason),
            ViewModelProperty::settingsMessage);
}

std::optional<std::string> DeskmapViewModel::storeSetting(const std::function<void()>& write) {
    try {
        write();
    } catch (const std::exception& error) {
        return error.what(); // the settings object keeps the choice meanwhile
    }
    return std::nullopt;
}

void DeskmapViewModel::stopSummariesForNewChoice() {
    authorization_->revoke();
    if (installedVerificationTask_) {
        installedVerificationTask_->cancel();
    }
}
bool DeskmapViewModel::providerIsReady() const {
    if (selectedSummaryProvider_ == SummaryProvider::installedClient) {
        return installedClientVerification_.permitsAuthorization();
    }
    return savedCredentialPresence_ == SavedCredentialPresence::saved;
}

void DeskmapViewModel::updateAuthorizationForCurrentState() {
    if (providerIsReady() && windowTitleAccessGranted_) {
        authorization_->authorize();
    } else {
        authorization_->revoke();
    }
}

void DeskmapViewModel::notifyConfigurationChanged() {
    if (shutDown_) {
        return;
    }
    startTask([](std::shared_ptr<RefreshCoordinator> coordinator) -> asio::awaitable<void> {
        auto changing = coordinator->summaryConfigurationChanged();
        co_await std::move(changing);
    }(coordinator_));
}

void DeskmapViewModel::refreshNow() {
    if (shutDown_) {
        return;
    }
    startTask([](std::shared_ptr<RefreshCoordinator> coordinator) -> asio::awaitable<void> {
        auto refreshing = coordinator->refresh(true);
        co_await std::move(refreshing);
    }(coordinator_));
}

void DeskmapViewModel::switchToSpace(const SpaceInventory& space,
                                     std::function<void(bool)> answered) {
    if (shutDown_) {
        return;
    }
    // The list the click came from: a switch is refused when Spaces came or
    // went since, and the list is brought up to date.
    std::optional<std::size_t> shown;
    if (snapshot_.inventory) {
        shown = snapshot_.inventory->spaces.size();
    }
    startTask([](std::shared_ptr<DeskmapViewModel> self, std::string spaceID,
                 std::optional<std::size_t> shownSpaces,
                 std::function<void(bool)> reply) -> asio::awaitable<void> {
        auto requesting = self->spaceSwitcher_->switchTo(std::move(spaceID), shownSpaces);
        const auto result = co_await std::move(requesting);
        if (result == SpaceSwitchRequestResult::mapChanged) {
            self->refreshNow();
        }
        if (result == SpaceSwitchRequestResult::needsAccessibility) {
            self->publish(self->spaceSwitchAccessibilityGranted_,
                          self->services_.spaceSwitchAccessibility->isGranted(),
                          ViewModelProperty::spaceSwitchAccessibilityGranted);
        }
        self->publish(self->spaceSwitchMessage_, message(result),
                      ViewModelProperty::spaceSwitchMessage);
        if (reply) {
            reply(result == SpaceSwitchRequestResult::started);
        }
    }(shared_from_this(), space.id, shown, std::move(answered)));
}

void DeskmapViewModel::handleSpaceSwitchCompletion(SpaceSwitchCompletion completion) {
    publish(spaceSwitchMessage_, message(completion), ViewModelProperty::spaceSwitchMessage);
}

void DeskmapViewModel::selectSummaryProvider(SummaryProvider provider) {
    if (provider == selectedSummaryProvider_ || shutDown_) {
        return;
    }
    stopSummariesForNewChoice();
    auto unsaved =
        storeSetting([&] { services_.summaryProviderSettings->setSelectedProvider(provider); });
    publish(selectedSummaryProvider_, provider, ViewModelProperty::selectedSummaryProvider);
    // Unknown until the new provider's key has been read: the old one's says
    // nothing about it.
    publish(savedCredentialPresence_, SavedCredentialPresence::unknown,
            ViewModelProperty::savedCredentialPresence);
    if (provider == SummaryProvider::installedClient) {
        publish(installedClientVerification_, InstalledClientVerificationState::unchecked(),
                ViewModelProperty::installedClientVerification);
    }
    publish(settingsMessage_, std::optional<std::string>(), ViewModelProperty::settingsMessage);

    startTask([](std::shared_ptr<DeskmapViewModel> self, SummaryProvider selected,
                 SummaryConfiguration configuration,
                 std::optional<std::string> unsavedReason) -> asio::awaitable<void> {
        auto loading = runtime::callOn(self->keychain_,
                                       [configuration] { return configuration.currentState(); });
        const auto loaded = co_await std::move(loading);
        if (self->shutDown_ || self->selectedSummaryProvider_ != selected) {
            co_return; // another choice came since, and handles its own state
        }
        self->publish(self->savedCredentialPresence_, loaded.state.savedCredentialPresence,
                      ViewModelProperty::savedCredentialPresence);
        if (selected == SummaryProvider::installedClient) {
            self->verifyInstalledClient();
        } else if (loaded.kind == SummaryConfiguration::LoadResult::Kind::credentialReadFailed) {
            self->publish(self->settingsMessage_,
                          std::optional<std::string>(Messages::couldNotReadSavedKey),
                          ViewModelProperty::settingsMessage);
        }
        if (unsavedReason) {
            self->reportUnsavedSetting(*unsavedReason);
        }
        self->updateAuthorizationForCurrentState();
        self->notifyConfigurationChanged();
    }(shared_from_this(), provider, SummaryConfiguration(credentialsFor(provider)),
                                                           std::move(unsaved)));
}

void DeskmapViewModel::selectInstalledClient(InstalledClient client) {
    if (client == selectedInstalledClient_ || shutDown_) {
        return;
    }
    stopSummariesForNewChoice();
    const auto unsaved = storeSetting(
        [&] { services_.installedClientSettings->setSelectedInstalledClient(client); });
    publish(selectedInstalledClient_, client, ViewModelProperty::selectedInstalledClient);
    publish(installedClientVerification_, InstalledClientVerificationState::unchecked(),
            ViewModelProperty::installedClientVerification);
    publish(settingsMessage_, std::optional<std::string>(), ViewModelProperty::settingsMessage);
    if (unsaved) {
        reportUnsavedSetting(*unsaved);
    }
    notifyConfigurationChanged();
    verifyInstalledClient();
}

void DeskmapViewModel::verifyInstalledClient() {
    if (selectedSummaryProvider_ != SummaryProvider::installedClient || shutDown_) {
        return;
    }
    if (installedVerificationTask_) {
        installedVerificationTask_->cancel();
    }
    const bool wasUsable = installedClientVerification_.permitsAuthorization();
    publish(installedClientVerification_,
            wasUsable ? InstalledClientVerificationState::rechecking()
                      : InstalledClientVerificationState::checking(),
            ViewModelProperty::installedClientVerification);
    if (!wasUsable) {
        authorization_->revoke();
    }
    auto verification = [](std::shared_ptr<DeskmapViewModel> self, InstalledClient client,
                           bool usableBefore) -> asio::awaitable<void> {
        std::exception_ptr failure;
        try {
            // The check runs child processes, whose pipes need the worker's
            // event loop.
            auto checking = runtime::runOn(self->executors_.worker,
                                           verify(self->services_.installedClientVerifier, client));
            co_await std::move(checking);
        } catch (...) {
            failure = std::current_exception();
        }
        // A check replaced meanwhile says nothing, whatever its outcome.
        const auto state = co_await asio::this_coro::cancellation_state;
        if (runtime::isCancellation(failure) ||
            state.cancelled() != asio::cancellation_type::none || self->shutDown_ ||
            self->selectedSummaryProvider_ != SummaryProvider::installedClient ||
            self->selectedInstalledClient_ != client) {
            co_return;
        }
        if (!failure) {
            self->publish(self->installedClientVerification_,
                          InstalledClientVerificationState::available(),
                          ViewModelProperty::installedClientVerification);
            if (!usableBefore) {
                self->updateAuthorizationForCurrentState();
                self->notifyConfigurationChanged();
            }
            co_return;
        }
        self->publish(self->installedClientVerification_,
                      InstalledClientVerificationState::unavailable(
                          userFacingMessage(failure, Messages::verificationFailed)),
                      ViewModelProperty::installedClientVerification);
        self->updateAuthorizationForCurrentState();
    };
    installedVerificationTask_ = runtime::Task<void>::spawn(
        executors_.main, verification(shared_from_this(), selectedInstalledClient_, wasUsable));
}

void DeskmapViewModel::saveKey(const std::string& key, bool requestWindowTitleAccess) {
    if (shutDown_) {
        return;
    }
    auto trimmed = Unicode::trimmedWhitespaceAndNewlines(key);
    if (trimmed.empty()) {
        publish(settingsMessage_, std::optional<std::string>(Messages::enterAPIKey),
                ViewModelProperty::settingsMessage);
        return;
    }
    try {
        trimmed = singleLineCredential(trimmed);
    } catch (const InvalidCredentialError& invalid) {
        publish(settingsMessage_, std::optional<std::string>(invalid.what()),
                ViewModelProperty::settingsMessage);
        return;
    }
    authorization_->revoke();
    startTask([](std::shared_ptr<DeskmapViewModel> self, SummaryProvider provider,
                 SummaryConfiguration configuration, std::string token,
                 bool askForTitles) -> asio::awaitable<void> {
        bool saved = true;
        try {
            auto saving = runtime::callOn(
                self->keychain_, [configuration, token]() mutable { configuration.save(token); });
            co_await std::move(saving);
        } catch (const std::exception&) {
            saved = false; // a cancellation is not a std::exception
        }
        const auto stillCurrent = [&self, provider] {
            return !self->shutDown_ && self->selectedSummaryProvider_ == provider;
        };
        if (!stillCurrent()) {
            co_return; // another provider is chosen, and shows its own state
        }
        if (!saved) {
            auto loading = runtime::callOn(
                self->keychain_, [configuration] { return configuration.currentState(); });
            const auto loaded = co_await std::move(loading);
            if (!stillCurrent()) {
                co_return;
            }
            self->publish(self->savedCredentialPresence_, loaded.state.savedCredentialPresence,
                          ViewModelProperty::savedCredentialPresence);
            self->updateAuthorizationForCurrentState();
            self->publish(self->settingsMessage_,
                          std::optional<std::string>(Messages::couldNotSaveKey),
                          ViewModelProperty::settingsMessage);
            co_return;
        }
        self->publish(self->savedCredentialPresence_, SavedCredentialPresence::saved,
                      ViewModelProperty::savedCredentialPresence);
        std::optional<std::string> message;
        if (askForTitles && !self->requestWindowTitleAccessIfNeeded()) {
            message = Messages::allowScreenRecordingAfterSave;
        }
        self->publish(self->settingsMessage_, message, ViewModelProperty::settingsMessage);
        self->updateAuthorizationForCurrentState();
        self->notifyConfigurationChanged();
    }(shared_from_this(), selectedSummaryProvider_,
                                    SummaryConfiguration(credentialsFor(selectedSummaryProvider_)),
                                    std::move(trimmed), requestWindowTitleAccess));
}

void DeskmapViewModel::clearKey() {
    if (shutDown_) {
        return;
    }
    authorization_->revoke();
    startTask([](std::shared_ptr<DeskmapViewModel> self, SummaryProvider provider,
                 SummaryConfiguration configuration, SavedCredentialPresence prior)
                  -> asio::awaitable<void> {
        auto removing = runtime::callOn(self->keychain_, [configuration, prior]() mutable {
            return configuration.removeCredential(prior);
        });
        const auto removal = co_await std::move(removing);
        if (self->shutDown_ || self->selectedSummaryProvider_ != provider) {
            co_return; // another provider is chosen, and shows its own state
        }
        const bool removed = removal.kind == SummaryConfiguration::RemovalResult::Kind::removed;
        self->publish(self->savedCredentialPresence_,
                      removed ? SavedCredentialPresence::notSaved : prior,
                      ViewModelProperty::savedCredentialPresence);
        self->publish(self->settingsMessage_,
                      removed ? std::optional<std::string>()
                              : std::optional<std::string>(Messages::couldNotClearKey),
                      ViewModelProperty::settingsMessage);
        self->updateAuthorizationForCurrentState();
        self->notifyConfigurationChanged();
    }(shared_from_this(), selectedSummaryProvider_,
                  SummaryConfiguration(credentialsFor(selectedSummaryProvider_)),
                  savedCredentialPresence_));
}

bool DeskmapViewModel::readWindowTitleAccess() {
    const bool granted = services_.windowTitleAccess->isGranted();
    auto advice = granted ? std::nullopt : services_.windowTitleAccess->advice();
    if (advice != windowTitleAccessAdvice_) {
        // The advice goes with the access state: told as its change.
        windowTitleAccessAdvice_ = std::move(advice);
        notify(ViewModelProperty::windowTitleAccessGranted);
    }
    return granted;
}

bool DeskmapViewModel::requestWindowTitleAccessIfNeeded() {
    if (readWindowTitleAccess()) {
        publish(windowTitleAccessGranted_, true, ViewModelProperty::windowTitleAccessGranted);
        return true;
    }
    services_.windowTitleAccess->request();
    publish(windowTitleAccessGranted_, readWindowTitleAccess(),
            ViewModelProperty::windowTitleAccessGranted);
    return windowTitleAccessGranted_;
}

void DeskmapViewModel::requestWindowTitleAccess() {
    const bool granted = requestWindowTitleAccessIfNeeded();
    // Where the desktop has its own way, the views show its advice in place
    // of the permission text: no message repeats it.
    std::optional<std::string> message;
    if (granted) {
        message = Messages::windowTitleAccessEnabled;
    } else if (!windowTitleAccessAdvice_) {
        message = Messages::allowScreenRecordingInSettings;
    }
    publish(settingsMessage_, message, ViewModelProperty::settingsMessage);
    updateAuthorizationForCurrentState();
    notifyConfigurationChanged();
}

void DeskmapViewModel::openWindowTitleAccessSettings() {
    services_.windowTitleAccess->request();
    publish(windowTitleAccessGranted_, readWindowTitleAccess(),
            ViewModelProperty::windowTitleAccessGranted);
    updateAuthorizationForCurrentState();
    notifyConfigurationChanged();
    if (!windowTitleAccessGranted_ &&
        !services_.systemSettings->open(platform::PermissionSettingsPage::windowTitles)) {
        publish(settingsMessage_, std::optional<std::string>(Messages::noWindowTitleSettingsPage),
                ViewModelProperty::settingsMessage);
    }
}

void DeskmapViewModel::refreshWindowTitleAccessStatus() {
    const bool granted = readWindowTitleAccess();
    if (granted == windowTitleAccessGranted_) {
        return;
    }
    publish(windowTitleAccessGranted_, granted, ViewModelProperty::windowTitleAccessGranted);
    publish(settingsMessage_,
            std::optional<std::string>(granted ? Messages::windowTitleAccessEnabled
                                               : Messages::windowTitleAccessRemoved),
            ViewModelProperty::settingsMessage);
    updateAuthorizationForCurrentState();
    notifyConfigurationChanged();
}

void DeskmapViewModel::requestSpaceSwitchAccessibility() {
    services_.spaceSwitchAccessibility->request();
    const bool granted = services_.spaceSwitchAccessibility->isGranted();
    publish(spaceSwitchAccessibilityGranted_, granted,
            ViewModelProperty::spaceSwitchAccessibilityGranted);
    publish(settingsMessage_,
            std::optional<std::string>(granted ? Messages::accessibilityEnabled
                                               : Messages::allowAccessibilityInSettings),
            ViewModelProperty::settingsMessage);
}

void DeskmapViewModel::openSpaceSwitchAccessibilitySettings() {
    services_.spaceSwitchAccessibility->request();
    publish(spaceSwitchAccessibilityGranted_, services_.spaceSwitchAccessibility->isGranted(),
            ViewModelProperty::spaceSwitchAccessibilityGranted);
    if (!spaceSwitchAccessibilityGranted_ &&
        !services_.systemSettings->open(platform::PermissionSettingsPage::spaceSwitching)) {
        publish(settingsMessage_, std::optional<std::string>(Messages::noAccessibilitySettingsPage),
                ViewModelProperty::settingsMessage);
    }
}

void DeskmapViewModel::refreshSpaceSwitchAccessibilityStatus() {
    const bool granted = services_.spaceSwitchAccessibility->isGranted();
    if (granted == spaceSwitchAccessibilityGranted_) {
        return;
    }
    publish(spaceSwitchAccessibilityGranted_, granted,
            ViewModelProperty::spaceSwitchAccessibilityGranted);
    publish(settingsMessage_,
            std::optional<std::string>(granted ? Messages::accessibilityEnabled
                                               : Messages::accessibilityRemoved),
            ViewModelProperty::settingsMessage);
}

void DeskmapViewModel::setLaunchAtLogin(bool enabled) {
    const auto result = launchAtLogin_->setEnabled(enabled);
    publish(launchAtLoginStatus_, result.status, ViewModelProperty::launchAtLoginStatus);
    publish(launchAtLoginMessage_, std::optional(launchAtLoginText(result, enabled)),
            ViewModelProperty::launchAtLoginMessage);
}

void DeskmapViewModel::refreshLaunchAtLoginStatus() {
    const auto status = launchAtLogin_->currentStatus();
    if (status == launchAtLoginStatus_) {
        return;
    }
    publish(launchAtLoginStatus_, status, ViewModelProperty::launchAtLoginStatus);
    publish(launchAtLoginMessage_, std::optional<std::string>(),
            ViewModelProperty::launchAtLoginMessage);
}

void DeskmapViewModel::openLaunchAtLoginSettings() {
    services_.launchAtLoginService->openSystemSettings();
}

void DeskmapViewModel::completeFirstTimeSetup() {
    if (const auto unsaved =
            storeSetting([&] { services_.firstTimeSetupSettings->setCompleted(); })) {
        reportUnsavedSetting(*unsaved);
    }
    publish(firstTimeSetupCompleted_, true, ViewModelProperty::firstTimeSetupCompleted);
}

asio::awaitable<void> DeskmapViewModel::shutdown() {
    const auto self = shared_from_this();
    shutDown_ = true;
    authorization_->revoke(); // stops a summary run, and a client it started
    if (installedVerificationTask_) {
        installedVerificationTask_->cancel();
    }
    for (const auto& task : tasks_) {
        task.cancel();
    }
    auto stopping = triggers_->stop();
    co_await std::move(stopping);
    auto pending = tasks_;
    if (installedVerificationTask_) {
        pending.push_back(*installedVerificationTask_);
    }
    for (const auto& task : pending) {
        try {
            auto ending = task.value();
            co_await std::move(ending);
        } catch (...) {
            // Cancelled, as asked.
        }
    }
    tasks_.clear();
    installedVerificationTask_.reset();
    auto stoppingSwitch = spaceSwitcher_->stop(); // a switch in progress ends here
    co_await std::move(stoppingSwitch);
}

} // namespace deskmap
