#include "SummaryConfiguration.hpp"

#include "DeskmapCore/Text/Unicode.hpp"

namespace deskmap {

SummaryConfiguration::LoadResult SummaryConfiguration::currentState() const {
    std::optional<std::string> token;
    try {
        token = credentials_->token();
    } catch (...) {
        return {LoadResult::Kind::credentialReadFailed, {SavedCredentialPresence::unknown}};
    }
    const bool saved = token && !Unicode::trimmedWhitespaceAndNewlines(*token).empty();
    return {LoadResult::Kind::loaded,
            {saved ? SavedCredentialPresence::saved : SavedCredentialPresence::notSaved}};
}

SummaryConfiguration::State SummaryConfiguration::save(const std::string& token) {
    credentials_->save(token);
    return {SavedCredentialPresence::saved};
}

SummaryConfiguration::RemovalResult
SummaryConfiguration::removeCredential(SavedCredentialPresence priorCredentialPresence) {
    try {
        credentials_->remove();
    } catch (...) {
        return {RemovalResult::Kind::removalFailed, {priorCredentialPresence}};
    }
    return {RemovalResult::Kind::removed, {SavedCredentialPresence::notSaved}};
}

} // namespace deskmap
