#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace deskmap {

// The raw source of Spaces: the managed-Spaces description and the Spaces of
// one window. Both throw DeskmapError (collection) when the source fails.
class ManagedSpacesProviding {
public:
    virtual ~ManagedSpacesProviding() = default;

    // The display dictionaries (JSON objects), in display order.
    virtual std::vector<nlohmann::json> managedDisplaySpaces() = 0;

    // The identifiers of the Spaces that hold the window, in reported order.
    virtual std::vector<std::string> spaceIDs(std::uint32_t windowID) = 0;

protected:
    ManagedSpacesProviding() = default;
    ManagedSpacesProviding(const ManagedSpacesProviding&) = default;
    ManagedSpacesProviding& operator=(const ManagedSpacesProviding&) = default;
};

} // namespace deskmap
