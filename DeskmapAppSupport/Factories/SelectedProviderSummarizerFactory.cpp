#include "SelectedProviderSummarizerFactory.hpp"

#include "DeskmapAppSupport/Credentials/SelectedProviderCredentialStore.hpp"
#include "DeskmapCore/API/Endpoints.hpp"
#include "DeskmapCore/API/LocalServerClient.hpp"
#include "DeskmapCore/API/LunaClient.hpp"
#include "DeskmapCore/API/OpenRouterClient.hpp"
#include "DeskmapCore/InstalledClients/InstalledClientSummarizer.hpp"

namespace deskmap {

SelectedProviderSummarizerFactory::SelectedProviderSummarizerFactory(
    std::shared_ptr<const SummaryProviderSettings> providerSettings,
    std::shared_ptr<const InstalledClientSettings> installedClientSettings,
    InstalledClientExecutableLocator installedLocator,
    std::shared_ptr<InstalledClientProcessRunning> installedRunner,
    std::shared_ptr<platform::UrlSession> session,
    std::shared_ptr<const SummaryModelSettings> models)
    : providerSettings_(std::move(providerSettings)),
      installedClientSettings_(std::move(installedClientSettings)),
      installedLocator_(std::move(installedLocator)), installedRunner_(std::move(installedRunner)),
      session_(std::move(session)), models_(std::move(models)) {}

std::shared_ptr<SpaceSummarizing>
SelectedProviderSummarizerFactory::makeSummarizer(const std::string& token) const {
    const auto provider = providerSettings_->selectedProvider();
    const auto chosen = models_ ? models_->model(provider) : model(provider);
    switch (provider) {
    case SummaryProvider::openAI:
        return std::make_shared<LunaClient>(token, Endpoints::responsesEndpointFromEnvironment(),
                                            session_, defaultRequestDeadline, chosen);
    case SummaryProvider::openRouter:
        return std::make_shared<OpenRouterClient>(token, OpenRouterClient::endpoint(), session_,
                                                  defaultRequestDeadline, chosen);
    case SummaryProvider::local:
        return std::make_shared<LocalServerClient>(
            token == SelectedProviderCredentialStore::localServerWithoutKey
                ? std::nullopt
                : std::optional<std::string>(token),
            Endpoints::localBaseURL(models_ ? models_->localServerAddress() : std::nullopt),
            session_, defaultRequestDeadline, chosen);
    case SummaryProvider::installedClient:
        break;
    }
    return std::make_shared<InstalledClientSummarizer>(
        installedClientSettings_->selectedInstalledClient(), installedLocator_, installedRunner_);
}

} // namespace deskmap
