#pragma once

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

    friend bool operator==(const DisplaySpaceTopology&, const DisplaySpaceTopology&) = default;
};

// A display's Spaces without the current one: comparing two of these tells
// whether Spaces were added, removed, reordered or moved, and nothing else.
struct DisplaySpaceStructure {
    std::string displayID;
    std::vector<std::string> spaceIDs;

    friend bool operator==(const DisplaySpaceStructure&, const DisplaySpaceStructure&) = default;
};

// The structure of all Spaces, without windows.
struct SpaceTopology {
    std::vector<std::string> spaceIDs;
    std::set<std::string> currentSpaceIDs;
    std::vector<DisplaySpaceTopology> displays;

    std::vector<DisplaySpaceStructure> displayStructure() const;

    friend bool operator==(const SpaceTopology&, const SpaceTopology&) = default;
};

} // namespace deskmap
