#pragma once

#include "DeskmapCore/Privacy/PrivacyRules.hpp"
#include "DeskmapPlatform/UserDefaults/UserDefaults.hpp"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace deskmap {

// The rules in force for the next summary pass.
class PrivacyRulesProviding {
public:
    virtual ~PrivacyRulesProviding() = default;
    virtual PrivacyRules currentRules() const = 0;
};

// The privacy rules in the defaults file, under flat keys beside the other
// settings.
namespace PrivacySettings {

inline constexpr const char* excludedAppsKey = "excludedApps";
inline constexpr const char* excludedTitlePatternsKey = "excludedTitlePatterns";
inline constexpr const char* redactIdentifiersKey = "redactIdentifiers";

struct Loaded {
    PrivacyRules rules;
    // Keys whose stored value was malformed: their defaults apply, and the
    // user is told. A malformed value never sends more than the defaults.
    std::vector<std::string> malformedKeys;

    friend bool operator==(const Loaded&, const Loaded&) = default;
};

// An absent key means its default; an empty list means none.
Loaded load(const platform::UserDefaults& defaults);
// Throws the store's UserDefaultsError when it cannot be written.
void save(platform::UserDefaults& defaults, const PrivacyRules& rules);
// Back to the defaults: the keys are removed.
void restoreDefaults(platform::UserDefaults& defaults);

} // namespace PrivacySettings

// The rules as the user keeps them: read by each summary pass, changed in
// Settings.
class PrivacyRuleSettings : public PrivacyRulesProviding {
public:
    // The rules with the keys whose stored value was malformed.
    virtual PrivacySettings::Loaded stored() const = 0;
    // Throws the store's UserDefaultsError when the rules cannot be written;
    // they hold for this object's lifetime all the same, so what the user
    // withheld stays withheld.
    virtual void setRules(const PrivacyRules& rules) = 0;
    virtual void restoreDefaults() = 0;

    PrivacyRules currentRules() const override { return stored().rules; }
};

// The rules as the defaults file holds them, read afresh for every pass, so
// an edit of the file takes effect at the next one.
class UserDefaultsPrivacyRules final : public PrivacyRuleSettings {
public:
    explicit UserDefaultsPrivacyRules(std::shared_ptr<platform::UserDefaults> defaults)
        : defaults_(std::move(defaults)) {}

    PrivacySettings::Loaded stored() const override;
    void setRules(const PrivacyRules& rules) override;
    void restoreDefaults() override;

private:
    std::shared_ptr<platform::UserDefaults> defaults_;
    mutable std::mutex mutex_;
    std::optional<PrivacyRules> unsaved_;
};

} // namespace deskmap
