#pragma once

#include "DeskmapPlatform/WindowServer.hpp"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// What the backends that read a desktop's whole state at once (GNOME Shell,
// KWin) share: the shapes of their maps and how a map is told as the
// window-server answers the collectors read.
namespace deskmap::platform::Mapping {

struct Rect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool contains(DisplayPoint point) const;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// A display of the map: its Spaces in order and the current one.
struct Display {
    std::string identifier;
    std::vector<std::uint64_t> spaces;
    std::uint64_t current = 0;
    std::vector<Rect> area;                            // the monitors it covers
    std::string name{};                                // as the desktop calls it
    std::map<std::uint64_t, std::string> spaceNames{}; // likewise, by Space

    friend bool operator==(const Display&, const Display&) = default;
};

// A state's point coordinate and rectangle ({x, y, width, height}) in
// 32-bit range, read strictly; StrictJson::FieldError names `what`.
std::int32_t coordinate(const nlohmann::json& object, const char* key, const char* what);
Rect rect(const nlohmann::json& object, const char* what);

// The managed display Spaces description of the displays, with their names
// and their Spaces' names where they have one.
nlohmann::json displaySpaces(const std::vector<Display>& displays);

// One window of the window list: a work window on the normal layer, the
// rest (and this program's own) on a layer of their own.
nlohmann::json windowEntry(std::uint32_t number, const std::string& app, const std::string& title,
                           const Rect& frame, bool work);

} // namespace deskmap::platform::Mapping
