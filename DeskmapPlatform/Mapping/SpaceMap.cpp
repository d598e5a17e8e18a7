#include "DeskmapPlatform/Mapping/SpaceMap.hpp"

#include "DeskmapPlatform/Json/StrictJson.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <limits>

namespace deskmap::platform::Mapping {

namespace {

// Window layers as the window list reports them: only the normal one holds
// the windows people work in.
constexpr int normalLayer = 0;
constexpr int auxiliaryLayer = 3;

} // namespace

std::int32_t coordinate(const nlohmann::json& object, const char* key, const char* what) {
    return static_cast<std::int32_t>(StrictJson::integer(object, key, what,
                                                         std::numeric_limits<std::int32_t>::min(),
                                                         std::numeric_limits<std::int32_t>::max()));
}

Rect rect(const nlohmann::json& object, const char* what) {
    constexpr auto largest = std::numeric_limits<std::int32_t>::max();
    return Rect{coordinate(object, "x", what), coordinate(object, "y", what),
                static_cast<std::int32_t>(StrictJson::integer(object, "width", what, 0, largest)),
                static_cast<std::int32_t>(StrictJson::integer(object, "height", what, 0, largest))};
}

bool Rect::contains(DisplayPoint point) const {
    return point.x >= x && point.y >= y && point.x < static_cast<double>(x) + width &&
           point.y < static_cast<double>(y) + height;
}

nlohmann::json displaySpaces(const std::vector<Display>& displays) {
    using nlohmann::json;
    auto described = json::array();
    for (const auto& display : displays) {
        json entry{{"Display Identifier", display.identifier}, {"Spaces", json::array()}};
        if (!display.name.empty()) {
            entry["Display Name"] = display.name;
        }
        for (const auto space : display.spaces) {
            json entrySpace{{"ManagedSpaceID", space}, {"id64", space}};
            if (const auto name = display.spaceNames.find(space);
                name != display.spaceNames.end() && !name->second.empty()) {
                entrySpace["Space Name"] = name->second;
            }
            entry["Spaces"].push_back(std::move(entrySpace));
        }
        if (std::find(display.spaces.begin(), display.spaces.end(), display.current) !=
            display.spaces.end()) {
            entry["Current Space"] = {{"ManagedSpaceID", display.current}};
        }
        described.push_back(std::move(entry));
    }
    return described;
}

nlohmann::json windowEntry(std::uint32_t number, const std::string& app, const std::string& title,
                           const Rect& frame, bool work) {
    nlohmann::json entry{
        {"kCGWindowLayer", work ? normalLayer : auxiliaryLayer},
        {"kCGWindowNumber", number},
        {"kCGWindowBounds",
         {{"X", frame.x}, {"Y", frame.y}, {"Width", frame.width}, {"Height", frame.height}}}};
    if (!app.empty()) {
        entry["kCGWindowOwnerName"] = app;
    }
    entry["kCGWindowName"] = title;
    return entry;
}

} // namespace deskmap::platform::Mapping
