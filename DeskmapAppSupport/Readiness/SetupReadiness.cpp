#include "SetupReadiness.hpp"

namespace deskmap {

namespace InstalledClientVerificationPolicy {

Begin begin(const InstalledClientVerificationState& current) {
    if (current.permitsAuthorization()) {
        return {InstalledClientVerificationState::rechecking(), false, false};
    }
    return {InstalledClientVerificationState::checking(), true, true};
}

Completion success(const Begin& after) {
    return {InstalledClientVerificationState::available(), after.shouldRefreshAfterSuccess,
            after.shouldRefreshAfterSuccess};
}

Completion failure(std::string message) {
    return {InstalledClientVerificationState::unavailable(std::move(message)), true, false};
}

} // namespace InstalledClientVerificationPolicy

InstalledClientPopoverReadiness
InstalledClientPopoverReadiness::resolve(const InstalledClientVerificationState& state) {
    switch (state.kind()) {
    case InstalledClientVerificationState::Kind::available:
        return {Kind::ready, {}};
    case InstalledClientVerificationState::Kind::unavailable:
        return {Kind::unavailable, state.message()};
    case InstalledClientVerificationState::Kind::unchecked:
    case InstalledClientVerificationState::Kind::checking:
    case InstalledClientVerificationState::Kind::rechecking:
        break;
    }
    return {Kind::checking, checkingText};
}

FirstTimeSetupReadiness
FirstTimeSetupReadiness::resolve(SummaryProvider provider,
                                 SavedCredentialPresence savedCredentialPresence,
                                 const InstalledClientVerificationState& verification,
                                 bool windowTitleAccessGranted, bool localModelChosen) {
    const bool connected = provider == SummaryProvider::installedClient
                               ? verification.permitsAuthorization()
                           : provider == SummaryProvider::local
                               ? localModelChosen
                               : savedCredentialPresence == SavedCredentialPresence::saved;
    return {connected, windowTitleAccessGranted};
}

} // namespace deskmap
