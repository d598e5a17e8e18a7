#pragma once

#include <map>
#include <string>

namespace deskmap {

// The names a desktop gives its Spaces and displays. They travel beside the
// inventory, never in it: a rename changes neither the inventory's JSON nor
// what a summary is judged against.
struct DesktopNames {
    std::map<std::string, std::string> spaces;   // by Space identifier
    std::map<std::string, std::string> displays; // by display identifier

    friend bool operator==(const DesktopNames&, const DesktopNames&) = default;
};

} // namespace deskmap
