#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace deskmap {

// A window's rectangle in global display coordinates, in whole points.
struct WindowBounds {
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;

    friend bool operator==(const WindowBounds&, const WindowBounds&) = default;
};

// What is known about one window. An absent title and an empty title are
// different values.
struct WindowEvidence {
    std::uint32_t windowID = 0;
    std::string app;
    std::optional<std::string> title;
    WindowBounds bounds;

    friend bool operator==(const WindowEvidence&, const WindowEvidence&) = default;
};

// One Space and the windows on it. `index` is the 1-based position across all
// displays; `display` joins the identifiers of every display that reported
// the Space with ", ".
struct SpaceInventory {
    std::int64_t index = 0;
    std::string id;
    std::string display;
    bool isCurrent = false;
    std::vector<WindowEvidence> windows;

    friend bool operator==(const SpaceInventory&, const SpaceInventory&) = default;
};

// Every Space of every display, in ascending `index`.
struct Inventory {
    std::vector<SpaceInventory> spaces;

    friend bool operator==(const Inventory&, const Inventory&) = default;
};

} // namespace deskmap
