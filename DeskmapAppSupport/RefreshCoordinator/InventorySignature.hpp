#pragma once

#include "DeskmapAppSupport/RefreshCoordinator/RefreshSnapshot.hpp"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace deskmap {

// The evidence a summary was made from: per Space its index, identifier and
// the (app, title) pairs of its windows in a canonical order. Window
// identifiers, bounds, displays and which Space is current are left out, so
// moving windows or switching Spaces never makes a summary stale; opening,
// closing or retitling a window, or changing the Spaces, does.
struct InventorySignature {
    struct Evidence {
        std::string app;
        std::optional<std::string> title;
        friend bool operator==(const Evidence&, const Evidence&) = default;
    };
    struct Space {
        std::int64_t index = 0;
        std::string id;
        std::vector<Evidence> evidence;
        friend bool operator==(const Space&, const Space&) = default;
    };

    std::vector<Space> spaces;

    explicit InventorySignature(const Inventory& inventory);

    friend bool operator==(const InventorySignature&, const InventorySignature&) = default;
};

// How summaries relate to the current inventory: none without summaries,
// current when they were made from an equal signature, stale otherwise.
RefreshSnapshot::SummaryAssociation
summaryAssociation(bool hasSummaries, const std::optional<InventorySignature>& summarized,
                   const InventorySignature& current);

// The inventory with isCurrent re-applied from `currentSpaceIDs`.
Inventory rebindingCurrentSpaces(Inventory inventory, const std::set<std::string>& currentSpaceIDs);

// The summaries moved onto `inventory` (its indexes, flags and windows) when
// every Space of it has one; otherwise the summaries unchanged. All or
// nothing: a partial match never mixes old summaries with new Spaces.
SummaryResult rebinding(const SummaryResult& summaries, const Inventory& inventory);

} // namespace deskmap
