#include "DeskmapPlatform/Mapping/LastMap.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <limits>

namespace deskmap::platform::Mapping {

std::uint32_t LastMap::displayNumber(const std::string& identifier) {
    const auto [entry, added] = displayNumbers_.try_emplace(
        identifier, static_cast<std::uint32_t>(displayNumbers_.size() + 1));
    return entry->second;
}

nlohmann::json LastMap::tellDisplays(const std::vector<Display>& displays) {
    for (const auto& display : displays) {
        displayNumber(display.identifier);
    }
    if (!displays.empty()) {
        mainDisplay_ = displayNumber(displays.front().identifier);
    }
    return displaySpaces(displays);
}

void LastMap::keepWindowSpaces(std::map<std::uint32_t, std::vector<std::uint64_t>> windowSpaces) {
    windowSpaces_ = std::move(windowSpaces);
}

nlohmann::json LastMap::spacesForWindows(const nlohmann::json& windowNumbers) const {
    if (!windowNumbers.is_array()) {
        return nullptr;
    }
    auto spaces = nlohmann::json::array();
    for (const auto& number : windowNumbers) {
        if (!number.is_number_unsigned() ||
            number.get<std::uint64_t>() > std::numeric_limits<std::uint32_t>::max()) {
            continue;
        }
        const auto found = windowSpaces_.find(number.get<std::uint32_t>());
        if (found != windowSpaces_.end()) {
            for (const auto space : found->second) {
                spaces.push_back(space);
            }
        }
    }
    return spaces;
}

std::vector<std::uint32_t> LastMap::displaysWithPoint(const std::vector<Display>& displays,
                                                      DisplayPoint point, std::uint32_t maximum) {
    std::vector<std::uint32_t> found;
    for (const auto& display : displays) {
        const bool contains = std::any_of(display.area.begin(), display.area.end(),
                                          [&](const Rect& rect) { return rect.contains(point); });
        if (contains && found.size() < maximum) {
            found.push_back(displayNumber(display.identifier));
        }
    }
    return found;
}

std::optional<std::string> LastMap::displayUUID(std::uint32_t display) const {
    for (const auto& [identifier, number] : displayNumbers_) {
        if (number == display) {
            return identifier;
        }
    }
    return std::nullopt;
}

} // namespace deskmap::platform::Mapping
