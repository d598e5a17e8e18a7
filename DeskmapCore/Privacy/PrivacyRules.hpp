#pragma once

#include "DeskmapCore/Inventory/Inventory.hpp"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace deskmap {

// Which windows' metadata may leave the machine. The rules decide what is
// sent, never what the user sees.
struct PrivacyRules {
    // App names, matched whole and in any case.
    std::vector<std::string> excludedApps;
    // Title patterns, in any case: `*` matches any run of characters and
    // the pattern must match the whole title; a pattern without `*` matches
    // anywhere in it.
    std::vector<std::string> excludedTitlePatterns;
    // Whether identifiers in the titles that are sent are masked.
    bool redactIdentifiers = false;

    // What protects a new user: password managers and private browsing
    // windows are never sent.
    static std::vector<std::string> defaultExcludedApps();
    static std::vector<std::string> defaultExcludedTitlePatterns();
    static PrivacyRules defaults();

    friend bool operator==(const PrivacyRules&, const PrivacyRules&) = default;
};

// The inventory as it may be sent, and how many windows of each Space (in
// inventory order) the rules withheld.
struct SendableInventory {
    Inventory inventory;
    std::vector<std::size_t> withheld;

    friend bool operator==(const SendableInventory&, const SendableInventory&) = default;
};

namespace Privacy {

bool isExcludedApp(std::string_view app, const PrivacyRules& rules);
// Whether two rules' texts are the same to the matcher (in any case and
// either Unicode form).
bool sameText(std::string_view first, std::string_view second);
// Whether `title` matches `pattern` as the rules describe; texts are
// compared after canonical composition and case folding, so "É" written
// either way matches "é".
bool titleMatches(std::string_view title, std::string_view pattern);
bool isWithheld(const WindowEvidence& window, const PrivacyRules& rules);

// `title` with e-mail addresses, runs of six or more digits, long
// hexadecimal or base64-like tokens and URL query strings replaced by
// "[email]", "[number]", "[token]" and "?[query]". Ticket-like labels
// ("ABC-123", "#482") stay.
std::string maskedIdentifiers(std::string_view title);

// The one way from the inventory to what may leave the machine: withheld
// windows removed (a Space may be left with none), the rest masked when the
// rules ask for it.
SendableInventory sendable(const Inventory& inventory, const PrivacyRules& rules);

} // namespace Privacy

} // namespace deskmap
