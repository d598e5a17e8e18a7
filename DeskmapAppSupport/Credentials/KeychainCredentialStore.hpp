#pragma once

#include "DeskmapAppSupport/Credentials/CredentialStoring.hpp"
#include "DeskmapAppSupport/Providers/SummaryProvider.hpp"
#include "DeskmapCore/Errors/LocalizedError.hpp"
#include "DeskmapPlatform/Keychain/Keychain.hpp"

#include <memory>

namespace deskmap {

// One API provider's key as one generic-password item (service, account)
// in the keychain; the item's data is the key's UTF-8 text exactly as saved.
class KeychainCredentialStore final : public CredentialStoring {
public:
    // Every failure, of a read, a save or a removal, carries only the
    // provider's name; the status is not shown.
    class Error final : public LocalizedError {
    public:
        explicit Error(std::string providerName);
        const std::string& providerName() const { return providerName_; }
        std::optional<std::string> errorDescription() const override { return description_; }
        const char* what() const noexcept override { return description_.c_str(); }

        friend bool operator==(const Error& lhs, const Error& rhs) {
            return lhs.providerName_ == rhs.providerName_;
        }

    private:
        std::string providerName_;
        std::string description_;
    };

    KeychainCredentialStore(std::string service, std::string account, std::string providerName,
                            std::shared_ptr<platform::Keychain> keychain);
    // For a provider that uses an API key; the installed client has none (a
    // programming error that stops the process).
    KeychainCredentialStore(SummaryProvider provider, std::shared_ptr<platform::Keychain> keychain);

    const std::string& service() const { return service_; }
    const std::string& account() const { return account_; }
    const std::string& providerName() const { return providerName_; }

    std::optional<std::string> token() const override;
    void save(const std::string& token) override;
    void remove() override;

private:
    platform::KeychainItemQuery baseQuery() const { return {service_, account_}; }
    [[noreturn]] void fail() const;

    std::string service_;
    std::string account_;
    std::string providerName_;
    std::shared_ptr<platform::Keychain> keychain_;
};

} // namespace deskmap
