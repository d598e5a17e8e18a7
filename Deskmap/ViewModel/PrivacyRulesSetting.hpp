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

    // Reads the stored rules again: the file may have been edited by hand.
    void load();
    // Applies `edit` to the rules as stored now, so a hand edit made
    // meanwhile is kept rather than overwritten.
    void change(const std::function<void(PrivacyRules&)>& edit);
    void restoreDefaults();

private:
    void publishStored();
    void changed(const PrivacyRules& before, const std::function<void()>& write);

    ViewModelContext& context_;
    std::shared_ptr<PrivacyRuleSettings> settings_;
};

} // namespace deskmap
