#pragma once

#include <optional>
#include <string>

namespace deskmap {

// Where the selected provider's credential is kept. Each operation may throw
// the store's error (a LocalizedError).
class CredentialStoring {
public:
    virtual ~CredentialStoring() = default;

    // The stored credential exactly as saved; nothing when none is stored.
    virtual std::optional<std::string> token() const = 0;
    // Stores the credential, replacing any previous one.
    virtual void save(const std::string& token) = 0;
    // Deletes the stored credential; deleting when none is stored succeeds.
    virtual void remove() = 0;

protected:
    CredentialStoring() = default;
    CredentialStoring(const CredentialStoring&) = default;
    CredentialStoring& operator=(const CredentialStoring&) = default;
};

} // namespace deskmap
