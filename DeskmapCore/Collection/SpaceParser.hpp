#pragma once

#include "DeskmapCore/Collection/SpaceTopology.hpp"
#include "DeskmapCore/Inventory/Inventory.hpp"

#include <nlohmann/json_fwd.hpp>

#include <vector>

namespace deskmap {

// Every distinct Space in first-seen order (with empty window lists), and one
// topology entry per display in input order.
struct ParsedSpaceData {
    std::vector<SpaceInventory> spaces;
    std::vector<DisplaySpaceTopology> displays;

    friend bool operator==(const ParsedSpaceData&, const ParsedSpaceData&) = default;
};

// Turns the window server's managed-Spaces description into Spaces and
// topology. Strict: the first display or Space it cannot identify fails the
// whole parse with DeskmapError (collection) naming it by 1-based number.
namespace SpaceParser {

// `displays` are the display dictionaries (JSON objects), in display order.
ParsedSpaceData parse(const std::vector<nlohmann::json>& displays);

SpaceTopology topology(const ParsedSpaceData& parsed);

} // namespace SpaceParser

} // namespace deskmap
