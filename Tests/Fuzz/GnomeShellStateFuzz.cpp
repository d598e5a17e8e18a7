// What Deskmap's GNOME Shell extension answers to GetState. Whatever it
// holds, reading it either succeeds or fails with StateError (VersionError
// for another version); what is read maps to well-formed Spaces, every
// window's Spaces are listed ones, and switching never leaves the listed
// workspaces.
#include "DeskmapCore/Collection/SpaceParser.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapPlatform/GnomeShell/GnomeShellState.hpp"
#include "DeskmapPlatform/Mapping/SpaceMap.hpp"
#include "FuzzContract.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>

using namespace deskmap;
namespace GnomeShell = platform::GnomeShell;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::text(data, size);
    fuzz::expectOnly<platform::WindowServerError>([&] {
        const auto state = GnomeShell::readState(text);
        const auto map = GnomeShell::mapState(state);
        const auto displays = platform::Mapping::displaySpaces(map.displays);
        fuzz::expectOnly<DeskmapError>([&] {
            (void)SpaceParser::parse(std::vector<nlohmann::json>(displays.begin(), displays.end()));
        });
        std::vector<std::uint64_t> spaces;
        for (const auto& display : map.displays) {
            spaces.insert(spaces.end(), display.spaces.begin(), display.spaces.end());
        }
        for (const auto& [window, each] : map.windowSpaces) {
            for (const auto space : each) {
                if (std::find(spaces.begin(), spaces.end(), space) == spaces.end() &&
                    std::none_of(state.workspaces.begin(), state.workspaces.end(),
                                 [&](const auto& workspace) { return workspace.id == space; })) {
                    fuzz::violated();
                }
            }
        }
        for (const bool forward : {true, false}) {
            const auto target = GnomeShell::neighbouringWorkspace(state, map, forward);
            if (target && std::find(map.listedWorkspaces.begin(), map.listedWorkspaces.end(),
                                    *target) == map.listedWorkspaces.end()) {
                fuzz::violated();
            }
        }
        (void)GnomeShell::switchingPoint(state, map);
        // dump() throws on ill-formed UTF-8.
        (void)GnomeShell::windowList(state, 0).dump();
    });
    return 0;
}
