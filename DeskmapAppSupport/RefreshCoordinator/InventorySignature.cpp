#include "DeskmapAppSupport/RefreshCoordinator/InventorySignature.hpp"

#include "DeskmapCore/Text/Unicode.hpp"

#include <algorithm>
#include <map>
#include <numeric>

namespace deskmap {

namespace {

std::vector<InventorySignature::Evidence>
sortedEvidence(const std::vector<WindowEvidence>& windows) {
    struct Keyed {
        std::string app;
        std::string title;
        InventorySignature::Evidence evidence;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(windows.size());
    for (const auto& window : windows) {
        // Canonically equivalent texts are the same evidence: a title that
        // only changes between composed and decomposed form is no change.
        auto app = Unicode::canonicalComposition(window.app);
        auto title = window.title ? std::optional(Unicode::canonicalComposition(*window.title))
                                  : std::nullopt;
        auto sortTitle = title.value_or("");
        keyed.push_back(Keyed{app, std::move(sortTitle), {std::move(app), std::move(title)}});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& lhs, const Keyed& rhs) {
        return std::tie(lhs.app, lhs.title) < std::tie(rhs.app, rhs.title);
    });
    std::vector<InventorySignature::Evidence> evidence;
    evidence.reserve(keyed.size());
    for (auto& entry : keyed) {
        evidence.push_back(std::move(entry.evidence));
    }
    return evidence;
}

} // namespace

InventorySignature::InventorySignature(const Inventory& inventory) {
    spaces.reserve(inventory.spaces.size());
    for (const auto& space : inventory.spaces) {
        spaces.push_back(Space{space.index, space.id, sortedEvidence(space.windows)});
    }
    std::stable_sort(spaces.begin(), spaces.end(),
                     [](const Space& lhs, const Space& rhs) { return lhs.index < rhs.index; });
}

RefreshSnapshot::SummaryAssociation
summaryAssociation(bool hasSummaries, const std::optional<InventorySignature>& summarized,
                   const InventorySignature& current) {
    if (!hasSummaries) {
        return RefreshSnapshot::SummaryAssociation::none;
    }
    return summarized && *summarized == current ? RefreshSnapshot::SummaryAssociation::current
                                                : RefreshSnapshot::SummaryAssociation::stale;
}

Inventory rebindingCurrentSpaces(Inventory inventory,
                                 const std::set<std::string>& currentSpaceIDs) {
    for (auto& space : inventory.spaces) {
        space.isCurrent = currentSpaceIDs.contains(space.id);
    }
    return inventory;
}

SummaryResult rebinding(const SummaryResult& summaries, const Inventory& inventory) {
    std::map<std::string, const SpaceSummary*> byID;
    for (const auto& summary : summaries.spaces) {
        byID.emplace(summary.id, &summary); // identifiers are unique: the first one counts
    }
    SummaryResult rebound{summaries.model, {}};
    for (const auto& space : inventory.spaces) {
        const auto found = byID.find(space.id);
        if (found != byID.end()) {
            rebound.spaces.emplace_back(space, found->second->label, found->second->summary);
        }
    }
    return rebound.spaces.size() == inventory.spaces.size() ? rebound : summaries;
}

} // namespace deskmap
