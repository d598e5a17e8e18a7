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

void PrivacyRulesSetting::setRules(PrivacyRules rules) {
    if (rules == context_.state().privacyRules && context_.state().malformedPrivacyKeys.empty()) {
        return;
    }
    changed([&] { settings_->setRules(rules); });
}

void PrivacyRulesSetting::restoreDefaults() {
    changed([&] { settings_->restoreDefaults(); });
}

void PrivacyRulesSetting::changed(const std::function<void()>& write) {
    if (const auto failure = storeSetting(write)) {
        context_.reportUnsavedSetting(*failure);
    }
    const auto before = context_.state().privacyRules;
    publishStored();
    if (context_.state().privacyRules != before) {
        context_.notifyConfigurationChanged();
    }
}

} // namespace deskmap
