#pragma once

#include "DeskmapPlatform/Mapping/SpaceMap.hpp"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace deskmap::platform::Mapping {

// What a backend that reads the whole map at once keeps between the window
// server's calls: a number for every display it has told of (stable for the
// process, as display ids are), the main display, and each window's Spaces
// from the last window list. Not thread-safe: the backend's lock guards it.
class LastMap {
public:
    // Numbers the displays and returns their managed Spaces description.
    nlohmann::json tellDisplays(const std::vector<Display>& displays);
    void keepWindowSpaces(std::map<std::uint32_t, std::vector<std::uint64_t>> windowSpaces);

    // The Spaces of the windows numbered in `windowNumbers`, as the last
    // window list placed them; null for an argument that is not a list.
    nlohmann::json spacesForWindows(const nlohmann::json& windowNumbers) const;
    std::vector<std::uint32_t> displaysWithPoint(const std::vector<Display>& displays,
                                                 DisplayPoint point, std::uint32_t maximum);
    std::optional<std::string> displayUUID(std::uint32_t display) const;
    std::uint32_t mainDisplayID() const { return mainDisplay_.value_or(0); }

private:
    std::uint32_t displayNumber(const std::string& identifier);

    std::map<std::string, std::uint32_t> displayNumbers_;
    std::optional<std::uint32_t> mainDisplay_;
    std::map<std::uint32_t, std::vector<std::uint64_t>> windowSpaces_;
};

} // namespace deskmap::platform::Mapping
