#include "ViewTexts.hpp"

namespace deskmap::qt::ViewTexts {

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QString text(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QStringList providerNames() {
    QStringList names;
    for (const auto provider : allSummaryProviders) {
        names << text(displayName(provider));
    }
    return names;
}

QStringList installedClientNames() {
    QStringList names;
    for (const auto client : allInstalledClients) {
        names << text(displayName(client));
    }
    return names;
}

bool isChecking(const InstalledClientVerificationState& state) {
    using Kind = InstalledClientVerificationState::Kind;
    return state.kind() == Kind::checking || state.kind() == Kind::rechecking;
}

QString clientStatus(const InstalledClientVerificationState& state) {
    using Kind = InstalledClientVerificationState::Kind;
    switch (state.kind()) {
    case Kind::unchecked:
        return text(texts::clientNotChecked);
    case Kind::checking:
    case Kind::rechecking:
        return text(texts::clientChecking);
    case Kind::available:
        return text(texts::clientAvailable);
    case Kind::unavailable:
        return text(state.message());
    }
    return {};
}

QString keyPresence(SavedCredentialPresence presence) {
    switch (presence) {
    case SavedCredentialPresence::saved:
        return text(texts::keySaved);
    case SavedCredentialPresence::notSaved:
        return text(texts::keyNotSaved);
    case SavedCredentialPresence::unknown:
        return text(texts::keyUnavailable);
    }
    return {};
}

QString loginItemStatus(LaunchAtLoginStatus status) {
    switch (status) {
    case LaunchAtLoginStatus::disabled:
        return text(texts::loginItemOff);
    case LaunchAtLoginStatus::enabled:
        return text(texts::loginItemOn);
    case LaunchAtLoginStatus::requiresApproval:
        return text(texts::loginItemNeedsApproval);
    case LaunchAtLoginStatus::notFound:
        return text(texts::loginItemNotRegistered);
    }
    return {};
}

QString windowTitleAccessAdvice(const std::string& advice) {
    return text(texts::titleAccessThroughExtension) + text(advice);
}

} // namespace deskmap::qt::ViewTexts
