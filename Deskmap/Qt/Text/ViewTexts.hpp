#pragma once

#include "DeskmapAppSupport/LaunchAtLogin/LaunchAtLoginService.hpp"
#include "DeskmapAppSupport/Providers/SummaryProvider.hpp"
#include "DeskmapAppSupport/Readiness/SetupReadiness.hpp"
#include "DeskmapCore/InstalledClients/InstalledClient.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <QString>
#include <QStringList>

// How the windows name the view model's states.
namespace deskmap::qt::ViewTexts {

QString text(const char* utf8);
QString text(const std::string& utf8);
QString text(std::string_view utf8);

QStringList providerNames();        // every provider, in order
QStringList installedClientNames(); // every client, in order

// "Not checked", "Checking...", "Available and signed in" or the failure.
QString clientStatus(const InstalledClientVerificationState& state);
bool isChecking(const InstalledClientVerificationState& state);
// "Saved", "Not saved" or "Unavailable".
QString keyPresence(SavedCredentialPresence presence);
// "Off", "On", "Approval required" or "Not registered".
QString loginItemStatus(LaunchAtLoginStatus status);
// The window-title step where the desktop reads titles through Deskmap's
// own piece (GNOME's extension): what it is, then the desktop's advice.
QString windowTitleAccessAdvice(const std::string& advice);

} // namespace deskmap::qt::ViewTexts
