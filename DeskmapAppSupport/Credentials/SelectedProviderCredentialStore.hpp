#pragma once

#include "DeskmapAppSupport/Credentials/CredentialStoring.hpp"
#include "DeskmapAppSupport/Providers/ProviderSettings.hpp"

#include <memory>

namespace deskmap {

// The credential of whichever provider is selected at the moment of each
// call.
class SelectedProviderCredentialStore final : public CredentialStoring {
public:
    SelectedProviderCredentialStore(std::shared_ptr<const SummaryProviderSettings> providerSettings,
                                    std::shared_ptr<CredentialStoring> openAI,
                                    std::shared_ptr<CredentialStoring> openRouter,
                                    std::shared_ptr<CredentialStoring> local = nullptr);

    // What token() gives for a local server with no key kept: it tells the
    // coordinator that the provider is usable, and is never sent.
    static constexpr const char* localServerWithoutKey = "local-server-without-key";

    std::optional<std::string> token() const override;
    void save(const std::string& token) override;
    void remove() override;

private:
    CredentialStoring& selected() const;

    std::shared_ptr<const SummaryProviderSettings> providerSettings_;
    std::shared_ptr<CredentialStoring> openAI_;
    std::shared_ptr<CredentialStoring> openRouter_;
    std::shared_ptr<CredentialStoring> installedClient_;
    std::shared_ptr<CredentialStoring> local_;
};

} // namespace deskmap
