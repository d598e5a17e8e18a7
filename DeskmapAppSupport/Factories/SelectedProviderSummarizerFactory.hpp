#pragma once

#include "DeskmapAppSupport/Factories/SummarizerBuilding.hpp"
#include "DeskmapAppSupport/Providers/ModelSettings.hpp"
#include "DeskmapAppSupport/Providers/ProviderSettings.hpp"
#include "DeskmapCore/InstalledClients/InstalledClientExecutableLocator.hpp"
#include "DeskmapCore/Process/InstalledClientProcessRunning.hpp"
#include "DeskmapPlatform/Http/UrlSession.hpp"

namespace deskmap {

// Builds the summarizer of the provider selected at the moment of each call.
class SelectedProviderSummarizerFactory final : public SummarizerBuilding {
public:
    SelectedProviderSummarizerFactory(
        std::shared_ptr<const SummaryProviderSettings> providerSettings,
        std::shared_ptr<const InstalledClientSettings> installedClientSettings,
        InstalledClientExecutableLocator installedLocator,
        std::shared_ptr<InstalledClientProcessRunning> installedRunner,
        std::shared_ptr<platform::UrlSession> session,
        std::shared_ptr<const SummaryModelSettings> models = nullptr);

    // HTTP providers take the token (a blank one is the constructor's
    // missing-credential error); the installed client ignores it.
    std::shared_ptr<SpaceSummarizing> makeSummarizer(const std::string& token) const override;

private:
    std::shared_ptr<const SummaryProviderSettings> providerSettings_;
    std::shared_ptr<const InstalledClientSettings> installedClientSettings_;
    InstalledClientExecutableLocator installedLocator_;
    std::shared_ptr<InstalledClientProcessRunning> installedRunner_;
    std::shared_ptr<platform::UrlSession> session_;
    // When absent, each provider's default model.
    std::shared_ptr<const SummaryModelSettings> models_;
};

} // namespace deskmap
