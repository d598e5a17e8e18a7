#pragma once

#include "DeskmapPlatform/Mapping/SpaceMap.hpp"
#include "DeskmapPlatform/WindowServer.hpp"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What Deskmap's GNOME Shell extension reports, read strictly, and how it
// becomes Spaces: a reply that is not what the extension's version promises
// fails with StateError rather than being guessed at.
namespace deskmap::platform::GnomeShell {

// The version of the extension's interface this program speaks.
inline constexpr std::uint32_t interfaceVersion = 1;

class StateError : public WindowServerError {
public:
    explicit StateError(const std::string& detail)
        : WindowServerError("The Deskmap GNOME Shell extension sent a malformed state: " + detail +
                            ".") {}
};

// The extension speaks another version of the interface (an older or newer
// Deskmap's extension is the one running).
class VersionError : public WindowServerError {
public:
    explicit VersionError(const std::string& version);
};

using Mapping::Rect;

struct Monitor {
    std::uint32_t index = 0;
    Rect rect;
    bool primary = false;

    friend bool operator==(const Monitor&, const Monitor&) = default;
};

struct Workspace {
    std::uint32_t id = 0;
    std::string name;

    friend bool operator==(const Workspace&, const Workspace&) = default;
};

struct Window {
    std::uint32_t id = 0;
    std::string app;
    std::string appId;
    std::string title;
    std::int32_t monitor = -1;
    std::optional<std::uint32_t> workspace; // none when on every workspace
    bool onAllWorkspaces = false;
    bool normal = true;
    std::int64_t process = 0;
    Rect frame;

    friend bool operator==(const Window&, const Window&) = default;
};

struct State {
    bool workspacesOnlyOnPrimary = false;
    bool dynamicWorkspaces = false;
    std::vector<Monitor> monitors;
    DisplayPoint pointer;
    std::vector<Workspace> workspaces; // in order
    std::uint32_t activeWorkspace = 0;
    std::vector<Window> windows;

    friend bool operator==(const State&, const State&) = default;
};

// From the JSON text GetState returns.
State readState(std::string_view reply);

// A display of the map: its Spaces are workspaces, or the one Space of a
// monitor whose windows stay put while the workspaces change.
using Mapping::Display;

// How GNOME's workspaces look on the user's monitors: where workspaces
// switch on the primary monitor only, the primary is a display whose Spaces
// are the workspaces and every other monitor a display with one Space;
// otherwise all monitors share one display of workspaces. With dynamic
// workspaces, the empty one GNOME keeps at the end is left out unless it is
// the current one.
struct Map {
    std::vector<Display> displays; // the workspaces' display first
    // Each window's Spaces (several for a window on every workspace).
    std::map<std::uint32_t, std::vector<std::uint64_t>> windowSpaces;
    std::vector<std::uint32_t> listedWorkspaces; // the workspace display's Spaces, in order
};

Map mapState(const State& state);

// The window list: work windows on the normal layer; the rest, and this
// program's own, on a layer of their own.
nlohmann::json windowList(const State& state, std::int64_t ownProcess);

// The listed workspace next to the active one, towards later ones when
// `forward`; nothing at either end.
std::optional<std::uint32_t> neighbouringWorkspace(const State& state, const Map& map,
                                                   bool forward);

// Where switching acts: the pointer where it is over the workspaces'
// display, else the middle of the primary monitor (the other monitors have
// no workspaces to switch).
DisplayPoint switchingPoint(const State& state, const Map& map);

} // namespace deskmap::platform::GnomeShell
