// What Deskmap's KWin script sends. Whatever it holds, reading it either
// succeeds or fails with StateError; what is read maps to well-formed
// Spaces, every window's Spaces are the map's, once each, and switching
// never leaves the listed desktops.
#include "DeskmapCore/Collection/SpaceParser.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapPlatform/KWin/KWinState.hpp"
#include "FuzzContract.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>

using namespace deskmap;
namespace KWin = platform::KWin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::text(data, size);
    fuzz::expectOnly<platform::WindowServerError>([&] {
        const auto state = KWin::readState(text);
        KWin::Numbering desktops;
        KWin::Numbering windows;
        const auto map = KWin::mapState(state, desktops, windows);
        const auto displays = platform::Mapping::displaySpaces(map.displays);
        fuzz::expectOnly<DeskmapError>([&] {
            (void)SpaceParser::parse(std::vector<nlohmann::json>(displays.begin(), displays.end()));
        });
        std::set<std::uint64_t> spaces;
        for (const auto& display : map.displays) {
            spaces.insert(display.spaces.begin(), display.spaces.end());
        }
        for (const auto& [window, each] : map.windowSpaces) {
            const std::set<std::uint64_t> distinct(each.begin(), each.end());
            if (distinct.size() != each.size() ||
                std::any_of(each.begin(), each.end(),
                            [&](std::uint64_t space) { return !spaces.count(space); })) {
                fuzz::violated();
            }
        }
        for (const bool forward : {true, false}) {
            const auto target = KWin::neighbouringDesktop(state, forward);
            if (target &&
                std::none_of(state.desktops.begin(), state.desktops.end(),
                             [&](const auto& desktop) { return desktop.id == *target; })) {
                fuzz::violated();
            }
        }
        // dump() throws on ill-formed UTF-8.
        (void)KWin::windowList(state, windows, 0, [](const KWin::Window& window) {
            return window.resourceClass;
        }).dump();
    });
    return 0;
}
