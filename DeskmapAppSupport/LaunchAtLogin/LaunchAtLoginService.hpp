#pragma once

#include "DeskmapPlatform/LoginItems/XdgAutostart.hpp"

namespace deskmap {

enum class LaunchAtLoginStatus { disabled, enabled, requiresApproval, notFound };

// The user asked for launch at login, approved or not yet.
inline bool isRequested(LaunchAtLoginStatus status) {
    return status == LaunchAtLoginStatus::enabled ||
           status == LaunchAtLoginStatus::requiresApproval;
}

class LaunchAtLoginServicing {
public:
    virtual ~LaunchAtLoginServicing() = default;
    virtual LaunchAtLoginStatus status() const = 0;
    // Both throw an error whose what() describes the failure for the user.
    virtual void registerApp() = 0;
    virtual void unregisterApp() = 0;
    virtual void openSystemSettings() = 0;

protected:
    LaunchAtLoginServicing() = default;
    LaunchAtLoginServicing(const LaunchAtLoginServicing&) = default;
    LaunchAtLoginServicing& operator=(const LaunchAtLoginServicing&) = default;
};

// The login item as an entry in the desktop's autostart folder.
class MacOSLaunchAtLoginService final : public LaunchAtLoginServicing {
public:
    explicit MacOSLaunchAtLoginService(platform::XdgAutostart autostart)
        : autostart_(std::move(autostart)) {}
    // deskmap.desktop in the user's autostart folder, starting this program.
    MacOSLaunchAtLoginService();

    // Raw login-item states: 0 not registered, 1 enabled, 2 waiting for
    // approval, anything else not found.
    static LaunchAtLoginStatus statusFromRaw(int raw);

    LaunchAtLoginStatus status() const override;
    void registerApp() override { autostart_.install(); }
    void unregisterApp() override { autostart_.uninstall(); }
    void openSystemSettings() override { autostart_.reveal(); }

private:
    platform::XdgAutostart autostart_;
};

} // namespace deskmap
