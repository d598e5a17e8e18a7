#include "DeskmapCore/Collection/SpaceTopology.hpp"

namespace deskmap {

std::vector<DisplaySpaceStructure> SpaceTopology::displayStructure() const {
    std::vector<DisplaySpaceStructure> structure;
    structure.reserve(displays.size());
    for (const auto& display : displays) {
        structure.push_back(DisplaySpaceStructure{display.displayID, display.spaceIDs,
                                                  display.displayName, display.spaceNames});
    }
    return structure;
}

DesktopNames SpaceTopology::names() const {
    DesktopNames names;
    for (const auto& display : displays) {
        if (!display.displayName.empty()) {
            names.displays.emplace(display.displayID, display.displayName);
        }
        for (std::size_t position = 0;
             position < display.spaceIDs.size() && position < display.spaceNames.size();
             ++position) {
            if (!display.spaceNames[position].empty()) {
                names.spaces.emplace(display.spaceIDs[position], display.spaceNames[position]);
            }
        }
    }
    return names;
}

} // namespace deskmap
