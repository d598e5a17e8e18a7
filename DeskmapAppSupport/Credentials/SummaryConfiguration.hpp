#pragma once

#include "DeskmapAppSupport/Credentials/CredentialStoring.hpp"
#include "DeskmapAppSupport/Providers/SummaryProvider.hpp"

#include <memory>

namespace deskmap {

// Reads, saves and removes the selected provider's key for the settings
// screens.
class SummaryConfiguration {
public:
    struct State {
        SavedCredentialPresence savedCredentialPresence = SavedCredentialPresence::notSaved;
        friend bool operator==(const State&, const State&) = default;
    };

    struct LoadResult {
        enum class Kind { loaded, credentialReadFailed };
        Kind kind = Kind::loaded;
        State state;
        friend bool operator==(const LoadResult&, const LoadResult&) = default;
    };

    struct RemovalResult {
        enum class Kind { removed, removalFailed };
        Kind kind = Kind::removed;
        State state;
        friend bool operator==(const RemovalResult&, const RemovalResult&) = default;
    };

    explicit SummaryConfiguration(std::shared_ptr<CredentialStoring> credentials)
        : credentials_(std::move(credentials)) {}

    // A failed read is `credentialReadFailed` with `unknown`; a missing or
    // blank key is `notSaved`.
    LoadResult currentState() const;
    // Stores the text unchanged; the store's error is passed on.
    State save(const std::string& token);
    // A failed removal keeps the presence the caller had (the error is
    // dropped).
    RemovalResult removeCredential(SavedCredentialPresence priorCredentialPresence);

private:
    std::shared_ptr<CredentialStoring> credentials_;
};

} // namespace deskmap
