#include "LaunchAtLoginService.hpp"

namespace deskmap {

MacOSLaunchAtLoginService::MacOSLaunchAtLoginService()
    : autostart_(platform::XdgAutostart::standardFolder(), "deskmap.desktop",
                 platform::XdgAutostart::currentExecutable()) {}

LaunchAtLoginStatus MacOSLaunchAtLoginService::statusFromRaw(int raw) {
    switch (raw) {
    case 0:
        return LaunchAtLoginStatus::disabled;
    case 1:
        return LaunchAtLoginStatus::enabled;
    case 2:
        return LaunchAtLoginStatus::requiresApproval;
    default:
        return LaunchAtLoginStatus::notFound;
    }
}

LaunchAtLoginStatus MacOSLaunchAtLoginService::status() const {
    // An entry the session skips counts as not registered; one that cannot
    // be read as a login item that is not there.
    switch (autostart_.state()) {
    case platform::XdgAutostart::State::absent:
    case platform::XdgAutostart::State::disabled:
        return statusFromRaw(0);
    case platform::XdgAutostart::State::enabled:
        return statusFromRaw(1);
    case platform::XdgAutostart::State::unreadable:
        break;
    }
    return statusFromRaw(3);
}

} // namespace deskmap
