#pragma once

#include "Deskmap/ViewModel/ViewModelContext.hpp"
#include "DeskmapAppSupport/LaunchAtLogin/LaunchAtLoginConfiguration.hpp"

#include <memory>

namespace deskmap {

// Whether Deskmap opens at login, and the message after each change.
class LaunchAtLoginSetting {
public:
    LaunchAtLoginSetting(ViewModelContext& context,
                         std::shared_ptr<LaunchAtLoginServicing> service);

    void load();
    void setEnabled(bool enabled);
    void refreshStatus();
    // Where the user approves the login item.
    void openSettings();

private:
    ViewModelContext& context_;
    std::shared_ptr<LaunchAtLoginServicing> service_;
    LaunchAtLoginConfiguration configuration_;
};

} // namespace deskmap
