#pragma once

#include "Deskmap/ViewModel/PermissionRequests.hpp"
#include "Deskmap/ViewModel/ViewModelContext.hpp"
#include "DeskmapAppSupport/Credentials/CredentialStoring.hpp"
#include "DeskmapAppSupport/Credentials/SummaryConfiguration.hpp"
#include "DeskmapCore/InstalledClients/InstalledClientVerifier.hpp"
#include "DeskmapPlatform/Keychain/Keychain.hpp"

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>
#include <memory>
#include <optional>
#include <string>

namespace deskmap {

// Which provider writes the summaries and whether it is ready: the provider
// and installed-client choice, the saved key (read, saved and cleared off
// the main thread) and the check that the installed client runs.
class ProviderSetup {
public:
    struct Services {
        // The keys; when absent, the keychain's item of each provider.
        std::shared_ptr<CredentialStoring> credentials;
        std::shared_ptr<platform::Keychain> keychain;
        std::shared_ptr<SummaryProviderSettings> summaryProviderSettings;
        std::shared_ptr<InstalledClientSettings> installedClientSettings;
        std::shared_ptr<InstalledClientVerifier> installedClientVerifier;
    };

    // `keychain` runs the credential calls in order; `worker` runs the
    // client check, whose pipes need its event loop.
    ProviderSetup(ViewModelContext& context, PermissionRequests& permissions, Services services,
                  asio::any_io_executor keychain, asio::any_io_executor worker);

    // Reads the choices at start.
    void load();
    // The selected provider's saved key, read once before the first refresh.
    asio::awaitable<void> loadSavedState();
    bool hasLoadedSavedState() const { return savedStateLoaded_; }
    // The key of whichever provider is selected when it is asked.
    const std::shared_ptr<CredentialStoring>& selectedCredentials() const {
        return selectedCredentials_;
    }

    void selectSummaryProvider(SummaryProvider provider);
    void selectInstalledClient(InstalledClient client);
    void verifyInstalledClient();
    void saveKey(const std::string& key, bool requestWindowTitleAccess);
    void clearKey();
    void refreshSavedKeyStatus();
    void cancelVerification();

private:
    std::shared_ptr<CredentialStoring> credentialsFor(SummaryProvider provider) const;
    SummaryConfiguration configurationFor(SummaryProvider provider) const;
    // Another provider or client: no summary may run until it is ready.
    void stopSummariesForNewChoice();
    void publishPresence(SavedCredentialPresence presence);

    asio::awaitable<void> readChosenProvider(SummaryProvider provider,
                                             std::optional<std::string> unsavedReason);
    asio::awaitable<void> rereadSavedKey(SummaryProvider provider);
    asio::awaitable<void> verify(InstalledClient client, bool usableBefore);
    asio::awaitable<void> save(SummaryProvider provider, std::string token, bool askForTitles);
    asio::awaitable<void> clear(SummaryProvider provider, SavedCredentialPresence prior);

    ViewModelContext& context_;
    PermissionRequests& permissions_;
    Services services_;
    asio::any_io_executor keychain_;
    asio::any_io_executor worker_;
    std::shared_ptr<CredentialStoring> selectedCredentials_;
    std::optional<runtime::Task<void>> verification_;
    bool savedStateLoaded_ = false;
    bool savedKeyReadInFlight_ = false;
};

} // namespace deskmap
