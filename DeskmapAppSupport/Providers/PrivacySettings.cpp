#include "DeskmapAppSupport/Providers/PrivacySettings.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <optional>

namespace deskmap::PrivacySettings {

namespace {

// A stored list of texts; nothing when it is anything else.
std::optional<std::vector<std::string>> texts(const nlohmann::json& value) {
    if (!value.is_array() || !std::all_of(value.begin(), value.end(),
                                          [](const auto& each) { return each.is_string(); })) {
        return std::nullopt;
    }
    return value.get<std::vector<std::string>>();
}

void readList(const platform::UserDefaults& defaults, const char* key,
              std::vector<std::string>& into, std::vector<std::string>& malformed) {
    const auto stored = defaults.value(key);
    if (!stored) {
        return;
    }
    if (auto list = texts(*stored)) {
        into = std::move(*list);
    } else {
        malformed.emplace_back(key);
    }
}

} // namespace

Loaded load(const platform::UserDefaults& defaults) {
    Loaded loaded{PrivacyRules::defaults(), {}};
    readList(defaults, excludedAppsKey, loaded.rules.excludedApps, loaded.malformedKeys);
    readList(defaults, excludedTitlePatternsKey, loaded.rules.excludedTitlePatterns,
             loaded.malformedKeys);
    if (const auto stored = defaults.value(redactIdentifiersKey)) {
        if (stored->is_boolean()) {
            loaded.rules.redactIdentifiers = stored->get<bool>();
        } else {
            loaded.malformedKeys.emplace_back(redactIdentifiersKey);
        }
    }
    return loaded;
}

void save(platform::UserDefaults& defaults, const PrivacyRules& rules) {
    defaults.set(excludedAppsKey, rules.excludedApps);
    defaults.set(excludedTitlePatternsKey, rules.excludedTitlePatterns);
    defaults.set(redactIdentifiersKey, rules.redactIdentifiers);
}

void restoreDefaults(platform::UserDefaults& defaults) {
    defaults.remove(excludedAppsKey);
    defaults.remove(excludedTitlePatternsKey);
    defaults.remove(redactIdentifiersKey);
}

} // namespace deskmap::PrivacySettings

namespace deskmap {

PrivacySettings::Loaded UserDefaultsPrivacyRules::stored() const {
    {
        std::lock_guard lock(mutex_);
        if (unsaved_) {
            return {*unsaved_, {}};
        }
    }
    return PrivacySettings::load(*defaults_);
}

void UserDefaultsPrivacyRules::setRules(const PrivacyRules& rules) {
    {
        std::lock_guard lock(mutex_);
        unsaved_ = rules;
    }
    PrivacySettings::save(*defaults_, rules);
    std::lock_guard lock(mutex_);
    unsaved_.reset();
}

void UserDefaultsPrivacyRules::restoreDefaults() {
    {
        std::lock_guard lock(mutex_);
        unsaved_ = PrivacyRules::defaults();
    }
    PrivacySettings::restoreDefaults(*defaults_);
    std::lock_guard lock(mutex_);
    unsaved_.reset();
}

} // namespace deskmap
