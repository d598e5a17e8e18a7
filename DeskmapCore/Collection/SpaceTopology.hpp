#pragma once

#include "DeskmapCore/Inventory/DesktopNames.hpp"

#include <set>
#include <string>
#include <vector>

namespace deskmap {

// One display as the window server reports it: its Spaces in order (a
// duplicate within the list stays) and its current Space.
struct DisplaySpaceTopology {
    std::string displayID;
    std::vector<std::string> spaceIDs;
    std::string currentSpaceID;
    // The names the desktop gives the display and each of its Spaces (in
    // the order of `spaceIDs`); empty where it gives none.
    std::string displayName{};
    std::vector<std::string> spaceNames{};

    friend bool operator==(const DisplaySpaceTopology&, const DisplaySpaceTopology&) = default;
};

// A display's Spaces without the current one: comparing two of these tells
// whether Spaces were added, removed, reordered, moved or renamed, and
// nothing else.
struct DisplaySpaceStructure {
    std::string displayID;
    std::vector<std::string> spaceIDs;
    std::string displayName{};
    std::vector<std::string> spaceNames{};

    friend bool operator==(const DisplaySpaceStructure&, const DisplaySpaceStructure&) = default;
};

// The structure of all Spaces, without windows.
struct SpaceTopology {
    std::vector<std::string> spaceIDs;
    std::set<std::string> currentSpaceIDs;
    std::vector<DisplaySpaceTopology> displays;

    std::vector<DisplaySpaceStructure> displayStructure() const;
    // The names of the displays and Spaces that have one; a Space several
    // displays report goes by the first name given.
    DesktopNames names() const;

    friend bool operator==(const SpaceTopology&, const SpaceTopology&) = default;
};

} // namespace deskmap
