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

// A local server's key where one is kept; without one the server is asked
// without a key.
class LocalServerCredentialStore final : public CredentialStoring {
public:
    explicit LocalServerCredentialStore(std::shared_ptr<CredentialStoring> stored)
        : stored_(std::move(stored)) {}

    std::optional<std::string> token() const override {
        std::optional<std::string> key;
        try {
            key = stored_ ? stored_->token() : std::nullopt;
        } catch (const std::exception&) {
            // No secret store to ask (a bare window manager): the server is
            // asked without a key rather than not at all.
        }
        if (!key || key->find_first_not_of(" \t\r\n") == std::string::npos) {
            return SelectedProviderCredentialStore::localServerWithoutKey;
        }
        return key;
    }
    void save(const std::string& token) override {
        if (stored_) {
            stored_->save(token);
        }
    }
    void remove() override {
        if (stored_) {
            stored_->remove();
        }
    }

private:
    std::shared_ptr<CredentialStoring> stored_;
};

} // namespace

SelectedProviderCredentialStore::SelectedProviderCredentialStore(
    std::shared_ptr<const SummaryProviderSettings> providerSettings,
    std::shared_ptr<CredentialStoring> openAI, std::shared_ptr<CredentialStoring> openRouter,
    std::shared_ptr<CredentialStoring> local)
    : providerSettings_(std::move(providerSettings)), openAI_(std::move(openAI)),
      openRouter_(std::move(openRouter)),
      installedClient_(std::make_shared<InstalledClientCredentialStore>()),
      local_(std::make_shared<LocalServerCredentialStore>(std::move(local))) {}

CredentialStoring& SelectedProviderCredentialStore::selected() const {
    switch (providerSettings_->selectedProvider()) {
    case SummaryProvider::openAI:
        return *openAI_;
    case SummaryProvider::openRouter:
        return *openRouter_;
    case SummaryProvider::local:
        return *local_;
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
