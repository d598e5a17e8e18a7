#include "CredentialSource.hpp"

#include "DeskmapAppSupport/Credentials/KeychainCredentialStore.hpp"
#include "DeskmapCore/API/Credential.hpp"
#include "DeskmapPlatform/Keychain/SecretServiceKeychain.hpp"

#include <cstdlib>

namespace deskmap::cli {

namespace {

class EnvironmentFirstCredentials final : public CredentialStoring {
public:
    EnvironmentFirstCredentials(const char* variable, std::shared_ptr<CredentialStoring> stored)
        : variable_(variable), stored_(std::move(stored)) {}

    std::optional<std::string> token() const override {
        const char* value = std::getenv(variable_);
        if (value && *value) {
            return singleLineCredential(value);
        }
        if (!platform::SecretServiceKeychain::isReachable()) {
            return std::nullopt;
        }
        return stored_->token();
    }
    void save(const std::string& token) override { stored_->save(token); }
    void remove() override { stored_->remove(); }

private:
    const char* variable_;
    std::shared_ptr<CredentialStoring> stored_;
};

} // namespace

const char* environmentVariable(SummaryProvider provider) {
    switch (provider) {
    case SummaryProvider::openRouter:
        return "OPENROUTER_API_KEY";
    case SummaryProvider::local:
        return "DESKMAP_LOCAL_API_KEY";
    case SummaryProvider::openAI:
    case SummaryProvider::installedClient:
        break;
    }
    return "OPENAI_ACCESS_TOKEN";
}

std::shared_ptr<CredentialStoring> secretStoreCredentials(SummaryProvider provider) {
    return std::make_shared<KeychainCredentialStore>(
        provider, std::make_shared<platform::SecretServiceKeychain>());
}

std::shared_ptr<CredentialStoring> commandLineCredentials(SummaryProvider provider) {
    return std::make_shared<EnvironmentFirstCredentials>(environmentVariable(provider),
                                                         secretStoreCredentials(provider));
}

} // namespace deskmap::cli
