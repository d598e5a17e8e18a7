#include "Deskmap/ViewModel/PrivacyRulesSetting.hpp"

namespace deskmap {

PrivacyRulesSetting::PrivacyRulesSetting(ViewModelContext& context,
                                         std::shared_ptr<PrivacyRuleSettings> settings)
    : context_(context), settings_(std::move(settings)) {}

void PrivacyRulesSetting::load() {
    publishStored();
}

void PrivacyRulesSetting::publishStored() {
    auto stored = settings_->stored();
    // One notification for both: the malformed keys go with the rules.
    context_.publish(&ViewModelState::malformedPrivacyKeys, std::move(stored.malformedKeys),
                     ViewModelProperty::privacyRules);
    context_.publish(&ViewModelState::privacyRules, std::move(stored.rules),
                     ViewModelProperty::privacyRules);
}

void PrivacyRulesSetting::change(const std::function<void(PrivacyRules&)>& edit) {
    const auto stored = settings_->stored();
    auto rules = stored.rules;
    edit(rules);
    if (rules == stored.rules && stored.malformedKeys.empty()) {
        publishStored();
        return;
    }
    changed(stored.rules, [&] { settings_->setRules(rules); });
}

void PrivacyRulesSetting::restoreDefaults() {
    changed(settings_->stored().rules, [&] { settings_->restoreDefaults(); });
}

void PrivacyRulesSetting::changed(const PrivacyRules& before, const std::function<void()>& write) {
    if (const auto failure = storeSetting(write)) {
        context_.reportUnsavedSetting(*failure);
    }
    publishStored();
    if (context_.state().privacyRules != before) {
        context_.notifyConfigurationChanged();
    }
}

} // namespace deskmap
