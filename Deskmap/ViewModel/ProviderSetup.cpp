#include "Deskmap/ViewModel/ProviderSetup.hpp"

#include "DeskmapAppSupport/Credentials/KeychainCredentialStore.hpp"
#include "DeskmapAppSupport/Credentials/SelectedProviderCredentialStore.hpp"
#include "DeskmapCore/API/Credential.hpp"
#include "DeskmapCore/Errors/UserFacingMessage.hpp"
#include "DeskmapCore/Text/Unicode.hpp"
#include "DeskmapPlatform/Runtime/RunOn.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <asio/this_coro.hpp>

namespace deskmap {

namespace {

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

asio::awaitable<void> runVerifier(std::shared_ptr<InstalledClientVerifier> verifier,
                                  InstalledClient client) {
    auto verifying = verifier->verify(client);
    co_await std::move(verifying);
}

} // namespace

ProviderSetup::ProviderSetup(ViewModelContext& context, PermissionRequests& permissions,
                             Services services, asio::any_io_executor keychain,
                             asio::any_io_executor worker)
    : context_(context), permissions_(permissions), services_(std::move(services)),
      keychain_(std::move(keychain)), worker_(std::move(worker)) {
    selectedCredentials_ =
        services_.credentials
            ? services_.credentials
            : std::make_shared<SelectedProviderCredentialStore>(
                  services_.summaryProviderSettings, credentialsFor(SummaryProvider::openAI),
                  credentialsFor(SummaryProvider::openRouter),
                  credentialsFor(SummaryProvider::local));
}

void ProviderSetup::load() {
    context_.publish(&ViewModelState::selectedSummaryProvider,
                     services_.summaryProviderSettings->selectedProvider(),
                     ViewModelProperty::selectedSummaryProvider);
    context_.publish(&ViewModelState::selectedInstalledClient,
                     services_.installedClientSettings->selectedInstalledClient(),
                     ViewModelProperty::selectedInstalledClient);
}

std::shared_ptr<CredentialStoring> ProviderSetup::credentialsFor(SummaryProvider provider) const {
    if (services_.credentials) {
        return services_.credentials;
    }
    if (!usesAPIKey(provider)) {
        return std::make_shared<SelectedProviderCredentialStore>(
            std::make_shared<FixedProvider>(provider), nullptr, nullptr);
    }
    return std::make_shared<KeychainCredentialStore>(provider, services_.keychain);
}

SummaryConfiguration ProviderSetup::configurationFor(SummaryProvider provider) const {
    return SummaryConfiguration(credentialsFor(provider));
}

void ProviderSetup::publishPresence(SavedCredentialPresence presence) {
    context_.publish(&ViewModelState::savedCredentialPresence, presence,
                     ViewModelProperty::savedCredentialPresence);
}

void ProviderSetup::stopSummariesForNewChoice() {
    context_.authorization().revoke();
    cancelVerification();
}

void ProviderSetup::cancelVerification() {
    if (verification_) {
        verification_->cancel();
    }
}

asio::awaitable<void> ProviderSetup::loadSavedState() {
    const auto provider = context_.state().selectedSummaryProvider;
    const auto configuration = configurationFor(provider);
    auto loading =
        runtime::callOn(keychain_, [configuration] { return configuration.currentState(); });
    const auto loaded = co_await std::move(loading);
    if (context_.isShutDown()) {
        co_return;
    }
    // A provider chosen meanwhile has read its own state.
    if (context_.isCurrent(provider)) {
        publishPresence(loaded.state.savedCredentialPresence);
        context_.updateAuthorizationForCurrentState();
        if (loaded.kind == SummaryConfiguration::LoadResult::Kind::credentialReadFailed &&
            provider != SummaryProvider::installedClient) {
            context_.setSettingsMessage(texts::couldNotReadSavedKeyOf(displayName(provider)));
        }
        if (provider == SummaryProvider::installedClient) {
            verifyInstalledClient();
        }
    }
    savedStateLoaded_ = true;
}

void ProviderSetup::refreshSavedKeyStatus() {
    const auto& state = context_.state();
    const auto provider = state.selectedSummaryProvider;
    if (context_.isShutDown() || !savedStateLoaded_ || savedKeyReadInFlight_ ||
        !usesAPIKey(provider) ||
        state.savedCredentialPresence != SavedCredentialPresence::unknown) {
        return;
    }
    savedKeyReadInFlight_ = true;
    context_.startTask(rereadSavedKey(provider));
}

asio::awaitable<void> ProviderSetup::rereadSavedKey(SummaryProvider provider) {
    const auto configuration = configurationFor(provider);
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
    if (!context_.isCurrent(provider) ||
        context_.state().savedCredentialPresence != SavedCredentialPresence::unknown ||
        loaded->kind != SummaryConfiguration::LoadResult::Kind::loaded) {
        co_return;
    }
    publishPresence(loaded->state.savedCredentialPresence);
    const auto& message = context_.state().settingsMessage;
    if (message && message->starts_with(texts::couldNotReadSavedKeyPrefix)) {
        context_.setSettingsMessage(std::nullopt);
    }
    context_.updateAuthorizationForCurrentState();
    context_.notifyConfigurationChanged();
}

void ProviderSetup::selectSummaryProvider(SummaryProvider provider) {
    if (provider == context_.state().selectedSummaryProvider || context_.isShutDown()) {
        return;
    }
    stopSummariesForNewChoice();
    auto unsaved =
        storeSetting([&] { services_.summaryProviderSettings->setSelectedProvider(provider); });
    context_.publish(&ViewModelState::selectedSummaryProvider, provider,
                     ViewModelProperty::selectedSummaryProvider);
    // Unknown until the new provider's key has been read: the old one's says
    // nothing about it.
    publishPresence(SavedCredentialPresence::unknown);
    if (provider == SummaryProvider::installedClient) {
        context_.publish(&ViewModelState::installedClientVerification,
                         InstalledClientVerificationState::unchecked(),
                         ViewModelProperty::installedClientVerification);
    }
    context_.setSettingsMessage(std::nullopt);
    context_.startTask(readChosenProvider(provider, std::move(unsaved)));
}

asio::awaitable<void> ProviderSetup::readChosenProvider(SummaryProvider provider,
                                                        std::optional<std::string> unsavedReason) {
    const auto configuration = configurationFor(provider);
    auto loading =
        runtime::callOn(keychain_, [configuration] { return configuration.currentState(); });
    const auto loaded = co_await std::move(loading);
    if (!context_.isCurrent(provider)) {
        co_return; // another choice came since, and handles its own state
    }
    publishPresence(loaded.state.savedCredentialPresence);
    if (provider == SummaryProvider::installedClient) {
        verifyInstalledClient();
    } else if (loaded.kind == SummaryConfiguration::LoadResult::Kind::credentialReadFailed) {
        context_.setSettingsMessage(texts::couldNotReadSavedKey);
    }
    if (unsavedReason) {
        context_.reportUnsavedSetting(*unsavedReason);
    }
    context_.updateAuthorizationForCurrentState();
    context_.notifyConfigurationChanged();
}

void ProviderSetup::selectInstalledClient(InstalledClient client) {
    if (client == context_.state().selectedInstalledClient || context_.isShutDown()) {
        return;
    }
    stopSummariesForNewChoice();
    const auto unsaved = storeSetting(
        [&] { services_.installedClientSettings->setSelectedInstalledClient(client); });
    context_.publish(&ViewModelState::selectedInstalledClient, client,
                     ViewModelProperty::selectedInstalledClient);
    context_.publish(&ViewModelState::installedClientVerification,
                     InstalledClientVerificationState::unchecked(),
                     ViewModelProperty::installedClientVerification);
    context_.setSettingsMessage(std::nullopt);
    if (unsaved) {
        context_.reportUnsavedSetting(*unsaved);
    }
    context_.notifyConfigurationChanged();
    verifyInstalledClient();
}

void ProviderSetup::verifyInstalledClient() {
    if (!context_.isCurrent(SummaryProvider::installedClient)) {
        return;
    }
    cancelVerification();
    const bool wasUsable = context_.state().installedClientVerification.permitsAuthorization();
    context_.publish(&ViewModelState::installedClientVerification,
                     wasUsable ? InstalledClientVerificationState::rechecking()
                               : InstalledClientVerificationState::checking(),
                     ViewModelProperty::installedClientVerification);
    if (!wasUsable) {
        context_.authorization().revoke();
    }
    verification_ = context_.startTask(verify(context_.state().selectedInstalledClient, wasUsable));
}

asio::awaitable<void> ProviderSetup::verify(InstalledClient client, bool usableBefore) {
    std::exception_ptr failure;
    try {
        auto checking =
            runtime::runOn(worker_, runVerifier(services_.installedClientVerifier, client));
        co_await std::move(checking);
    } catch (...) {
        failure = std::current_exception();
    }
    // A check replaced meanwhile says nothing, whatever its outcome.
    const auto cancellation = co_await asio::this_coro::cancellation_state;
    if (runtime::isCancellation(failure) ||
        cancellation.cancelled() != asio::cancellation_type::none ||
        !context_.isCurrent(SummaryProvider::installedClient) ||
        context_.state().selectedInstalledClient != client) {
        co_return;
    }
    if (!failure) {
        context_.publish(&ViewModelState::installedClientVerification,
                         InstalledClientVerificationState::available(),
                         ViewModelProperty::installedClientVerification);
        if (!usableBefore) {
            context_.updateAuthorizationForCurrentState();
            context_.notifyConfigurationChanged();
        }
        co_return;
    }
    context_.publish(&ViewModelState::installedClientVerification,
                     InstalledClientVerificationState::unavailable(
                         userFacingMessage(failure, texts::verificationFailed)),
                     ViewModelProperty::installedClientVerification);
    context_.updateAuthorizationForCurrentState();
}

void ProviderSetup::saveKey(const std::string& key, bool requestWindowTitleAccess) {
    if (context_.isShutDown()) {
        return;
    }
    auto trimmed = Unicode::trimmedWhitespaceAndNewlines(key);
    if (trimmed.empty()) {
        context_.setSettingsMessage(texts::enterAPIKey);
        return;
    }
    try {
        trimmed = singleLineCredential(trimmed);
    } catch (const InvalidCredentialError& invalid) {
        context_.setSettingsMessage(invalid.what());
        return;
    }
    context_.authorization().revoke();
    context_.startTask(save(context_.state().selectedSummaryProvider, std::move(trimmed),
                            requestWindowTitleAccess));
}

asio::awaitable<void> ProviderSetup::save(SummaryProvider provider, std::string token,
                                          bool askForTitles) {
    auto configuration = configurationFor(provider);
    bool saved = true;
    try {
        auto saving = runtime::callOn(
            keychain_, [configuration, token]() mutable { configuration.save(token); });
        co_await std::move(saving);
    } catch (const std::exception&) {
        saved = false; // a cancellation is not a std::exception
    }
    if (!context_.isCurrent(provider)) {
        co_return; // another provider is chosen, and shows its own state
    }
    if (!saved) {
        auto loading =
            runtime::callOn(keychain_, [configuration] { return configuration.currentState(); });
        const auto loaded = co_await std::move(loading);
        if (!context_.isCurrent(provider)) {
            co_return;
        }
        publishPresence(loaded.state.savedCredentialPresence);
        context_.updateAuthorizationForCurrentState();
        context_.setSettingsMessage(texts::couldNotSaveKey);
        co_return;
    }
    publishPresence(SavedCredentialPresence::saved);
    std::optional<std::string> message;
    if (askForTitles && !permissions_.requestWindowTitleAccessIfNeeded()) {
        message = texts::allowTitleAccessAfterSave;
    }
    context_.setSettingsMessage(std::move(message));
    context_.updateAuthorizationForCurrentState();
    context_.notifyConfigurationChanged();
}

void ProviderSetup::clearKey() {
    if (context_.isShutDown()) {
        return;
    }
    context_.authorization().revoke();
    context_.startTask(
        clear(context_.state().selectedSummaryProvider, context_.state().savedCredentialPresence));
}

asio::awaitable<void> ProviderSetup::clear(SummaryProvider provider,
                                           SavedCredentialPresence prior) {
    auto configuration = configurationFor(provider);
    auto removing = runtime::callOn(keychain_, [configuration, prior]() mutable {
        return configuration.removeCredential(prior);
    });
    const auto removal = co_await std::move(removing);
    if (!context_.isCurrent(provider)) {
        co_return; // another provider is chosen, and shows its own state
    }
    const bool removed = removal.kind == SummaryConfiguration::RemovalResult::Kind::removed;
    publishPresence(removed ? SavedCredentialPresence::notSaved : prior);
    context_.setSettingsMessage(removed ? std::optional<std::string>()
                                        : std::optional<std::string>(texts::couldNotClearKey));
    context_.updateAuthorizationForCurrentState();
    context_.notifyConfigurationChanged();
}

} // namespace deskmap
