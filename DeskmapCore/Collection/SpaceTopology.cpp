#include "DeskmapCore/Collection/SpaceTopology.hpp"

namespace deskmap {

std::vector<DisplaySpaceStructure> SpaceTopology::displayStructure() const {
    std::vector<DisplaySpaceStructure> structure;
    structure.reserve(displays.size());
    for (const auto& display : displays) {
        structure.push_back(DisplaySpaceStructure{display.displayID, display.spaceIDs});
    }
    return structure;
}

} // namespace deskmap
