#include "Deskmap/ViewModel/DeskmapViewModel.hpp"

#include "DeskmapAppSupport/Credentials/KeychainCredentialStore.hpp"
#include "DeskmapAppSupport/Factories/SelectedProviderSummarizerFactory.hpp"
#include "DeskmapAppSupport/SpaceSwitcher/SpaceSwitchOutcome.hpp"
#include "DeskmapCore/API/Endpoints.hpp"
#include "DeskmapCore/API/LocalServerAddress.hpp"
#include "DeskmapCore/API/LocalServerClient.hpp"
#include "DeskmapCore/Collection/MacOSSpaceCollector.hpp"
#include "DeskmapCore/Errors/UserFacingMessage.hpp"
#include "DeskmapCore/Http/URLSessionDataLoader.hpp"
#include "DeskmapCore/Process/FoundationInstalledClientProcessRunner.hpp"
#include "DeskmapCore/Text/Unicode.hpp"
#include "DeskmapPlatform/Runtime/Cancellation.hpp"
#include "DeskmapPlatform/Runtime/RunOn.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <asio/strand.hpp>

namespace deskmap {

namespace {

constexpr const char* retiredAutomaticSummariesKey = "automaticSummariesEnabled";

asio::any_io_executor keychainStrand(const ViewModelExecutors& executors) {
    return asio::make_strand(executors.background);
}

std::shared_ptr<SummaryModelSettings> modelSettings(ViewModelServices& services) {
    if (!services.models) {
        services.models = std::make_shared<UserDefaultsSummaryModelSettings>(services.defaults);
    }
    return services.models;
}

// The local server's key only: never the selected provider's.
std::shared_ptr<CredentialStoring> localCredentials(const ViewModelServices& services) {
    if (services.localCredentials || !services.keychain) {
        return services.localCredentials;
    }
    return std::make_shared<KeychainCredentialStore>(SummaryProvider::local, services.keychain);
}

std::shared_ptr<PrivacyRuleSettings> privacySettings(ViewModelServices& services) {
    if (!services.privacy) {
        services.privacy = std::make_shared<UserDefaultsPrivacyRules>(services.defaults);
    }
    return services.privacy;
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
    : executors_(std::move(executors)), services_(std::move(services)), timing_(timing),
      keychain_(keychainStrand(executors_)), context_(executors_.main, executors_.worker),
      permissions_(context_, services_.windowTitleAccess, services_.spaceSwitchAccessibility,
                   services_.systemSettings),
      provider_(context_, permissions_,
                {services_.credentials, services_.keychain, services_.summaryProviderSettings,
                 services_.installedClientSettings, services_.installedClientVerifier},
                keychain_, executors_.worker),
      launchAtLogin_(context_, services_.launchAtLoginService),
      privacy_(context_, privacySettings(services_)) {}

DeskmapViewModel::~DeskmapViewModel() {
    provider_.cancelVerification();
}

void DeskmapViewModel::construct() {
    context_.setOwner(weak_from_this());
    try {
        services_.defaults->remove(retiredAutomaticSummariesKey);
    } catch (const std::exception&) {
        // Left in place it is only ignored; the next start tries again.
    }
    provider_.load();
    context_.publish(&ViewModelState::firstTimeSetupCompleted,
                     services_.firstTimeSetupSettings->isCompleted(),
                     ViewModelProperty::firstTimeSetupCompleted);
    permissions_.load();
    launchAtLogin_.load();
    privacy_.load();
    modelSettings(services_);
    context_.publish(&ViewModelState::localModelChosen,
                     !services_.models->model(SummaryProvider::local).empty(),
                     ViewModelProperty::summaryModel);

    auto summarizers = services_.summarizers;
    if (!summarizers) {
        summarizers = std::make_shared<SelectedProviderSummarizerFactory>(
            services_.summaryProviderSettings, services_.installedClientSettings,
            InstalledClientExecutableLocator::forCurrentProcess(),
            std::make_shared<FoundationInstalledClientProcessRunner>(),
            std::make_shared<platform::UrlSession>(), services_.models);
    }
    const auto collector = std::make_shared<MacOSSpaceCollector>(services_.windowServer);
    const std::weak_ptr<DeskmapViewModel> weak = weak_from_this();
    coordinator_ = RefreshCoordinator::make(
        {executors_.worker, executors_.main, executors_.background, keychain_}, collector,
        provider_.selectedCredentials(), context_.gate(), summarizers, services_.windowTitleAccess,
        [] { return std::chrono::system_clock::now(); },
        [weak](const RefreshSnapshot& snapshot) {
            if (const auto self = weak.lock()) {
                self->applySnapshot(snapshot);
            }
        },
        services_.privacy);
    context_.setCoordinator(coordinator_);
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
    context_.startTask(start());
}

asio::awaitable<void> DeskmapViewModel::start() {
    // The saved key decides authorization before the first refresh; the
    // keychain is read off the main thread, so the triggers start after it.
    auto loading = provider_.loadSavedState();
    co_await std::move(loading);
    if (!context_.isShutDown()) { // a quit during the read has stopped them already
        triggers_->start();
    }
}

FirstTimeSetupReadiness DeskmapViewModel::firstTimeSetupReadiness() const {
    return FirstTimeSetupReadiness::resolve(
        state().selectedSummaryProvider, state().savedCredentialPresence,
        state().installedClientVerification, state().windowTitleAccessGranted,
        state().localModelChosen);
}

std::size_t DeskmapViewModel::addObserver(Observer observer) {
    return context_.addObserver(std::move(observer));
}

void DeskmapViewModel::removeObserver(std::size_t id) {
    context_.removeObserver(id);
}

void DeskmapViewModel::applySnapshot(RefreshSnapshot snapshot) {
    // Not after a pass whose own read failed: that would be a second unlock
    // prompt right after the first was dismissed.
    const bool passEnded = snapshot.status != RefreshSnapshot::Status::refreshing &&
                           snapshot.status != RefreshSnapshot::Status::credentialFailed;
    context_.publish(&ViewModelState::snapshot, std::move(snapshot), ViewModelProperty::snapshot);
    // The coordinator needed the key and the store may answer now.
    if (passEnded) {
        provider_.refreshSavedKeyStatus();
    }
}

void DeskmapViewModel::refreshNow() {
    if (!context_.isShutDown()) {
        context_.startTask(refresh(true));
    }
}

asio::awaitable<void> DeskmapViewModel::refresh(bool manual) {
    auto refreshing = coordinator_->refresh(manual);
    co_await std::move(refreshing);
}

void DeskmapViewModel::switchToSpace(const SpaceInventory& space,
                                     std::function<void(bool)> answered) {
    if (context_.isShutDown()) {
        return;
    }
    // The list the click came from: a switch is refused when Spaces came or
    // went since, and the list is brought up to date.
    std::optional<std::size_t> shown;
    if (state().snapshot.inventory) {
        shown = state().snapshot.inventory->spaces.size();
    }
    context_.startTask(requestSwitch(space.id, shown, std::move(answered)));
}

asio::awaitable<void> DeskmapViewModel::requestSwitch(std::string spaceID,
                                                      std::optional<std::size_t> shownSpaces,
                                                      std::function<void(bool)> answered) {
    auto requesting = spaceSwitcher_->switchTo(std::move(spaceID), shownSpaces);
    const auto result = co_await std::move(requesting);
    if (result == SpaceSwitchRequestResult::mapChanged) {
        refreshNow();
    }
    if (result == SpaceSwitchRequestResult::needsAccessibility) {
        permissions_.recheckSpaceSwitchAccessibility();
    }
    context_.publish(&ViewModelState::spaceSwitchMessage, message(result),
                     ViewModelProperty::spaceSwitchMessage);
    if (answered) {
        answered(result == SpaceSwitchRequestResult::started);
    }
}

void DeskmapViewModel::handleSpaceSwitchCompletion(SpaceSwitchCompletion completion) {
    context_.publish(&ViewModelState::spaceSwitchMessage, message(completion),
                     ViewModelProperty::spaceSwitchMessage);
}

void DeskmapViewModel::selectSummaryProvider(SummaryProvider provider) {
    provider_.selectSummaryProvider(provider);
}

void DeskmapViewModel::selectInstalledClient(InstalledClient client) {
    provider_.selectInstalledClient(client);
}

void DeskmapViewModel::verifyInstalledClient() {
    provider_.verifyInstalledClient();
}

void DeskmapViewModel::saveKey(const std::string& key, bool requestWindowTitleAccess) {
    provider_.saveKey(key, requestWindowTitleAccess);
}

void DeskmapViewModel::clearKey() {
    provider_.clearKey();
}

void DeskmapViewModel::refreshSavedKeyStatus() {
    provider_.refreshSavedKeyStatus();
}

void DeskmapViewModel::requestWindowTitleAccess() {
    permissions_.requestWindowTitleAccess();
}

void DeskmapViewModel::openWindowTitleAccessSettings() {
    permissions_.openWindowTitleAccessSettings();
}

void DeskmapViewModel::refreshWindowTitleAccessStatus() {
    permissions_.refreshWindowTitleAccessStatus();
}

void DeskmapViewModel::requestSpaceSwitchAccessibility() {
    permissions_.requestSpaceSwitchAccessibility();
}

void DeskmapViewModel::openSpaceSwitchAccessibilitySettings() {
    permissions_.openSpaceSwitchAccessibilitySettings();
}

void DeskmapViewModel::refreshSpaceSwitchAccessibilityStatus() {
    permissions_.refreshSpaceSwitchAccessibilityStatus();
}

void DeskmapViewModel::setLaunchAtLogin(bool enabled) {
    launchAtLogin_.setEnabled(enabled);
}

void DeskmapViewModel::refreshLaunchAtLoginStatus() {
    launchAtLogin_.refreshStatus();
}

void DeskmapViewModel::openLaunchAtLoginSettings() {
    launchAtLogin_.openSettings();
}

void DeskmapViewModel::completeFirstTimeSetup() {
    if (const auto unsaved =
            storeSetting([&] { services_.firstTimeSetupSettings->setCompleted(); })) {
        context_.reportUnsavedSetting(*unsaved);
    }
    context_.publish(&ViewModelState::firstTimeSetupCompleted, true,
                     ViewModelProperty::firstTimeSetupCompleted);
}

void DeskmapViewModel::changePrivacyRules(const std::function<void(PrivacyRules&)>& edit) {
    privacy_.change(edit);
}

void DeskmapViewModel::reloadPrivacyRules() {
    privacy_.load();
}

std::string DeskmapViewModel::summaryModel(SummaryProvider provider) const {
    return services_.models->model(provider);
}

void DeskmapViewModel::setSummaryModel(SummaryProvider provider, const std::string& name) {
    const auto before = summaryModel(provider);
    if (const auto unsaved = storeSetting([&] { services_.models->setModel(provider, name); })) {
        context_.reportUnsavedSetting(*unsaved);
    }
    if (summaryModel(provider) == before) {
        return;
    }
    if (provider == SummaryProvider::local) {
        context_.publish(&ViewModelState::localModelChosen, !summaryModel(provider).empty(),
                         ViewModelProperty::summaryModel);
        context_.updateAuthorizationForCurrentState();
    }
    context_.notify(ViewModelProperty::summaryModel);
    if (provider == state().selectedSummaryProvider) {
        context_.notifyConfigurationChanged();
    }
}

std::string DeskmapViewModel::localServerBaseURL() const {
    return Endpoints::localBaseURL(services_.models->localServerAddress());
}

bool DeskmapViewModel::setLocalServerAddress(const std::string& address) {
    const auto trimmed = Unicode::trimmedWhitespaceAndNewlines(address);
    if (!trimmed.empty() && !LocalServerAddress::parse(trimmed)) {
        return false;
    }
    const auto before = localServerBaseURL();
    if (const auto unsaved =
            storeSetting([&] { services_.models->setLocalServerAddress(trimmed); })) {
        context_.reportUnsavedSetting(*unsaved);
    }
    if (localServerBaseURL() != before) {
        context_.notify(ViewModelProperty::summaryModel);
        if (state().selectedSummaryProvider == SummaryProvider::local) {
            context_.notifyConfigurationChanged();
        }
    }
    return true;
}

void DeskmapViewModel::listLocalModels(LocalModelsHandler done) {
    if (context_.isShutDown()) {
        return;
    }
    if (!services_.http) {
        services_.http =
            std::make_shared<URLSessionDataLoader>(std::make_shared<platform::UrlSession>());
    }
    const std::weak_ptr<DeskmapViewModel> weak = weak_from_this();
    context_.startTask([](std::weak_ptr<DeskmapViewModel> owner, std::string baseURL,
                          std::shared_ptr<CredentialStoring> credentials,
                          std::shared_ptr<HTTPDataLoading> http, asio::any_io_executor keychain,
                          LocalModelsHandler answer) -> asio::awaitable<void> {
        std::vector<std::string> models;
        std::optional<std::string> failure;
        try {
            // A key that cannot be read is no key: the server may need none.
            auto reading = runtime::callOn(keychain, [credentials]() -> std::optional<std::string> {
                try {
                    return credentials ? credentials->token() : std::nullopt;
                } catch (const std::exception&) {
                    return std::nullopt;
                }
            });
            const auto key = co_await std::move(reading);
            auto listing = LocalServerClient::models(baseURL, key, http);
            models = co_await std::move(listing);
            if (models.empty()) {
                failure = texts::localServerListsNoModels;
            }
        } catch (...) {
            const auto error = std::current_exception();
            if (runtime::isCancellation(error)) {
                throw;
            }
            failure = userFacingMessage(error, texts::couldNotSummarize);
        }
        const auto self = owner.lock();
        // An answer from an address the user has since left is not theirs.
        if (!self || self->localServerBaseURL() != baseURL) {
            co_return;
        }
        if (!failure && !self->state().localModelChosen) {
            self->setSummaryModel(SummaryProvider::local, models.front());
        }
        answer(std::move(models), std::move(failure));
    }(weak, localServerBaseURL(), localCredentials(services_), services_.http, keychain_,
                                                     std::move(done)));
}

void DeskmapViewModel::restoreDefaultPrivacyRules() {
    privacy_.restoreDefaults();
}

asio::awaitable<void> DeskmapViewModel::shutdown() {
    const auto self = shared_from_this();
    context_.beginShutdown();
    provider_.cancelVerification();
    auto stopping = triggers_->stop();
    co_await std::move(stopping);
    auto ending = context_.endTasks();
    co_await std::move(ending);
    auto stoppingSwitch = spaceSwitcher_->stop(); // a switch in progress ends here
    co_await std::move(stoppingSwitch);
}

} // namespace deskmap
