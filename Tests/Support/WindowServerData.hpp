#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Builders for window-server answers as a window server hands them over.
namespace deskmap::test {

inline nlohmann::json spaceEntry(std::int64_t managedSpaceID) {
    return {{"ManagedSpaceID", managedSpaceID}, {"id64", managedSpaceID}, {"type", 0}};
}

inline nlohmann::json displayEntry(const std::string& identifier, std::int64_t current,
                                   const std::vector<std::int64_t>& spaces) {
    auto list = nlohmann::json::array();
    for (const auto space : spaces) {
        list.push_back(spaceEntry(space));
    }
    return {{"Display Identifier", identifier},
            {"Current Space", {{"ManagedSpaceID", current}}},
            {"Spaces", list}};
}

inline nlohmann::json windowEntry(std::uint32_t number, const std::string& owner,
                                  std::optional<std::string> title = std::nullopt,
                                  double width = 800, double height = 600) {
    nlohmann::json window{
        {"kCGWindowLayer", 0},
        {"kCGWindowNumber", number},
        {"kCGWindowOwnerName", owner},
        {"kCGWindowAlpha", 1.0},
        {"kCGWindowBounds", {{"X", 10}, {"Y", 20}, {"Width", width}, {"Height", height}}}};
    if (title) {
        window["kCGWindowName"] = *title;
    }
    return window;
}

} // namespace deskmap::test
