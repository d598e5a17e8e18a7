#include "GeneratedDesktop.hpp"

#include <array>
#include <string>

namespace deskmap::bench {

nlohmann::json generatedDesktop(std::size_t displays, std::size_t spacesPerDisplay,
                                std::size_t windows) {
    using nlohmann::json;
    static const std::array<const char*, 8> apps{"Terminal", "Code",  "Firefox", "Mail",
                                                 "Slack",    "Notes", "Preview", "Finder"};
    static const std::array<const char*, 6> titles{
        "build — make test", "collector.cpp — inventory", "Pull Request #482 · review",
        "Inbox – 4 unread",  "Überblick Q4.pdf",          "~/src/deskmap"};

    auto managed = json::array();
    std::size_t spaceNumber = 0;
    for (std::size_t display = 0; display < displays; ++display) {
        auto spaces = json::array();
        const auto first = spaceNumber + 1;
        for (std::size_t i = 0; i < spacesPerDisplay; ++i) {
            ++spaceNumber;
            spaces.push_back({{"ManagedSpaceID", spaceNumber}, {"id64", spaceNumber}, {"type", 0}});
        }
        managed.push_back({{"Display Identifier", "DISPLAY-" + std::to_string(display + 1)},
                           {"Current Space", {{"ManagedSpaceID", first}}},
                           {"Spaces", spaces}});
    }

    auto list = json::array();
    auto assignments = json::object();
    for (std::size_t i = 0; i < windows; ++i) {
        const auto number = 1000 + i;
        list.push_back(
            {{"kCGWindowLayer", i % 40 == 0 ? 25 : 0},
             {"kCGWindowNumber", number},
             {"kCGWindowOwnerName", apps[i % apps.size()]},
             {"kCGWindowName",
              std::string(titles[(i / 3) % titles.size()]) + " " + std::to_string(i % 17)},
             {"kCGWindowAlpha", 1.0},
             {"kCGWindowBounds", {{"X", i % 300}, {"Y", 25}, {"Width", 800}, {"Height", 600}}}});
        auto spaces = json::array({1 + i % spaceNumber});
        if (i % 25 == 0) {
            spaces.push_back(1 + (i + 1) % spaceNumber);
        }
        assignments[std::to_string(number)] = spaces;
    }
    return json{
        {"managedDisplaySpaces", managed}, {"windows", list}, {"windowSpaces", assignments}};
}

} // namespace deskmap::bench
