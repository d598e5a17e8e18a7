#include "ViewTexts.hpp"

namespace deskmap::qt::ViewTexts {

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
        return QStringLiteral("Not checked");
    case Kind::checking:
    case Kind::rechecking:
        return QStringLiteral("Checking...");
    case Kind::available:
        return QStringLiteral("Available and signed in");
    case Kind::unavailable:
        return text(state.message());
    }
    return {};
}

QString keyPresence(SavedCredentialPresence presence) {
    switch (presence) {
    case SavedCredentialPresence::saved:
        return QStringLiteral("Saved");
    case SavedCredentialPresence::notSaved:
        return QStringLiteral("Not saved");
    case SavedCredentialPresence::unknown:
        return QStringLiteral("Unavailable");
    }
    return {};
}

QString loginItemStatus(LaunchAtLoginStatus status) {
    switch (status) {
    case LaunchAtLoginStatus::disabled:
        return QStringLiteral("Off");
    case LaunchAtLoginStatus::enabled:
        return QStringLiteral("On");
    case LaunchAtLoginStatus::requiresApproval:
        return QStringLiteral("Approval required");
    case LaunchAtLoginStatus::notFound:
        return QStringLiteral("Not registered");
    }
    return {};
}

QString windowTitleAccessAdvice(const std::string& advice) {
    return QStringLiteral("Deskmap reads window titles here through its own desktop extension, "
                          "never screen contents. ") +
           text(advice);
}

} // namespace deskmap::qt::ViewTexts
