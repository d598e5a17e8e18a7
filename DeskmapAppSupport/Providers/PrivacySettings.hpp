#pragma once

#include "DeskmapCore/Privacy/PrivacyRules.hpp"
#include "DeskmapPlatform/UserDefaults/UserDefaults.hpp"

#include <string>
#include <vector>

namespace deskmap {

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

} // namespace deskmap
