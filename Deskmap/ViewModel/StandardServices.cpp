#include "StandardServices.hpp"

#include "DeskmapAppSupport/Permissions/ScreenRecordingWindowTitleAccess.hpp"
#include "DeskmapAppSupport/Providers/PrivacySettings.hpp"
#include "DeskmapAppSupport/Providers/UserDefaultsSettings.hpp"
#include "DeskmapCore/Process/FoundationInstalledClientProcessRunner.hpp"

namespace deskmap {

ViewModelServices standardServices(std::shared_ptr<platform::WindowServer> windowServer,
                                   std::shared_ptr<platform::UserDefaults> defaults) {
    ViewModelServices services;
    services.windowServer = windowServer;
    services.defaults = std::move(defaults);
    services.summaryProviderSettings =
        std::make_shared<UserDefaultsSummaryProviderSettings>(services.defaults);
    services.installedClientSettings =
        std::make_shared<UserDefaultsInstalledClientSettings>(services.defaults);
    services.firstTimeSetupSettings =
        std::make_shared<UserDefaultsFirstTimeSetupSettings>(services.defaults);
    services.installedClientVerifier = std::make_shared<InstalledClientVerifier>(
        InstalledClientExecutableLocator::forCurrentProcess(),
        std::make_shared<FoundationInstalledClientProcessRunner>());
    services.windowTitleAccess = std::make_shared<ScreenRecordingWindowTitleAccess>(windowServer);
    services.spaceSwitchAccessibility =
        std::make_shared<MacOSSpaceSwitchAccessibility>(windowServer);
    services.launchAtLoginService = std::make_shared<MacOSLaunchAtLoginService>();
    services.systemSettings = std::make_shared<platform::NoPermissionSettingsPages>();
    services.privacy = std::make_shared<UserDefaultsPrivacyRules>(services.defaults);
    services.models = std::make_shared<UserDefaultsSummaryModelSettings>(services.defaults);
    return services;
}

} // namespace deskmap
