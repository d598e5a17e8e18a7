#pragma once

#include "Deskmap/ViewModel/ViewModelContext.hpp"
#include "DeskmapAppSupport/Providers/PrivacySettings.hpp"

#include <memory>

namespace deskmap {

// Which windows' metadata may leave the machine, as the user set it. A change
// withdraws the summaries made under the old rules.
class PrivacyRulesSetting {
public:
    PrivacyRulesSetting(ViewModelContext& context, std::shared_ptr<PrivacyRuleSettings> settings);

    void load();
    void setRules(PrivacyRules rules);
    void restoreDefaults();

private:
    void publishStored();
    void changed(const std::function<void()>& write);

    ViewModelContext& context_;
    std::shared_ptr<PrivacyRuleSettings> settings_;
};

} // namespace deskmap
