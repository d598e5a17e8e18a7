#include "SelectedProviderCredentialStore.hpp"

namespace deskmap {

namespace {

// Stands in for a credential when the installed client is selected: it
// only tells the coordinator that the provider is usable.
class InstalledClientCredentialStore final : public CredentialStoring {
public:
    std::optional<std::string> token() const override { return "installed-client-ready"; }
    void save(const std::string&) override {}
    void remove() override {}
};

} // namespace

SelectedProviderCredentialStore::SelectedProviderCredentialStore(
    std::shared_ptr<const SummaryProviderSettings> providerSettings,
    std::shared_ptr<CredentialStoring> openAI, std::shared_ptr<CredentialStoring> openRouter)
    : providerSettings_(std::move(providerSettings)), openAI_(std::move(openAI)),
      openRouter_(std::move(openRouter)),
      installedClient_(std::make_shared<InstalledClientCredentialStore>()) {}

CredentialStoring& SelectedProviderCredentialStore::selected() const {
    switch (providerSettings_->selectedProvider()) {
    case SummaryProvider::openAI:
        return *openAI_;
    case SummaryProvider::openRouter:
        return *openRouter_;
    case SummaryProvider::installedClient:
        break;
    }
    return *installedClient_;
}

std::optional<std::string> SelectedProviderCredentialStore::token() const {
    return selected().token();
}

void SelectedProviderCredentialStore::save(const std::string& token) {
    selected().save(token);
}

void SelectedProviderCredentialStore::remove() {
    selected().remove();
}

} // namespace deskmap
