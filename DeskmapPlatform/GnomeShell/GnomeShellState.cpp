#include "DeskmapPlatform/GnomeShell/GnomeShellState.hpp"

#include "DeskmapPlatform/Json/StrictJson.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <limits>

namespace deskmap::platform::GnomeShell {

namespace {

using nlohmann::json;
namespace Strict = StrictJson;
using Mapping::coordinate;
using Mapping::rect;

constexpr auto int32Maximum = std::numeric_limits<std::int32_t>::max();
constexpr auto uint32Maximum = std::numeric_limits<std::uint32_t>::max();

// Monitor Spaces are numbered above every workspace id.
constexpr std::uint64_t monitorSpaceBase = std::uint64_t{1} << 32;

constexpr const char* workspacesDisplay = "GNOME workspaces";

std::uint32_t id(const json& object, const char* key, const char* what) {
    return static_cast<std::uint32_t>(Strict::unsignedInteger(object, key, what, uint32Maximum));
}

State read(const json& document) {
    if (!document.is_object()) {
        throw Strict::FieldError("the state is not an object");
    }
    const char* what = "the state";
    const auto* version = Strict::member(document, "version");
    if (!version || !version->is_number_integer() ||
        version->get<std::int64_t>() != interfaceVersion) {
        throw VersionError(version && version->is_number_integer() ? version->dump() : "unknown");
    }
    State state;
    state.workspacesOnlyOnPrimary = Strict::requiredFlag(document, "workspacesOnlyOnPrimary", what);
    state.dynamicWorkspaces = Strict::requiredFlag(document, "dynamicWorkspaces", what);
    for (const auto& monitor : Strict::objects(document, "monitors", what)) {
        state.monitors.push_back(Monitor{id(monitor, "index", "a monitor"),
                                         rect(monitor, "a monitor"),
                                         Strict::requiredFlag(monitor, "primary", "a monitor")});
    }
    const auto* pointer = Strict::member(document, "pointer");
    if (!pointer || !pointer->is_object()) {
        throw Strict::FieldError("the state has no \"pointer\"");
    }
    state.pointer = DisplayPoint{static_cast<double>(coordinate(*pointer, "x", "the pointer")),
                                 static_cast<double>(coordinate(*pointer, "y", "the pointer"))};
    for (const auto& workspace : Strict::objects(document, "workspaces", what)) {
        state.workspaces.push_back(
            Workspace{id(workspace, "id", "a workspace"),
                      Strict::optionalText(workspace, "name", "a workspace").value_or("")});
    }
    state.activeWorkspace = id(document, "activeWorkspace", what);
    for (const auto& entry : Strict::objects(document, "windows", what)) {
        const char* window = "a window";
        Window each;
        each.id = id(entry, "id", window);
        each.appId = Strict::optionalText(entry, "appId", window).value_or("");
        each.app = Strict::optionalText(entry, "app", window).value_or(each.appId);
        each.title = Strict::optionalText(entry, "title", window).value_or("");
        each.monitor =
            static_cast<std::int32_t>(Strict::integer(entry, "monitor", window, -1, int32Maximum));
        if (Strict::member(entry, "workspace")) {
            each.workspace = id(entry, "workspace", window);
        }
        each.onAllWorkspaces = Strict::requiredFlag(entry, "onAllWorkspaces", window);
        each.normal = Strict::requiredFlag(entry, "normal", window);
        each.process = Strict::member(entry, "pid")
                           ? Strict::integer(entry, "pid", window, -1, int32Maximum)
                           : 0;
        each.frame = rect(entry, window);
        state.windows.push_back(std::move(each));
    }
    return state;
}

const Monitor* primaryMonitor(const State& state) {
    const auto found = std::find_if(state.monitors.begin(), state.monitors.end(),
                                    [](const Monitor& monitor) { return monitor.primary; });
    if (found != state.monitors.end()) {
        return &*found;
    }
    return state.monitors.empty() ? nullptr : &state.monitors.front();
}

// Whether each monitor other than the primary keeps its windows while the
// workspaces change.
bool monitorsStayPut(const State& state) {
    return state.workspacesOnlyOnPrimary && state.monitors.size() > 1;
}

} // namespace

VersionError::VersionError(const std::string& version)
    : WindowServerError("The Deskmap GNOME Shell extension in use is version " + version +
                        ", but this Deskmap needs version " + std::to_string(interfaceVersion) +
                        ": install the extension that came with this Deskmap, then log out and "
                        "back in.") {}

State readState(std::string_view reply) {
    const auto document = StrictJson::parse(reply);
    if (!document) {
        throw StateError("it is not JSON");
    }
    try {
        return read(*document);
    } catch (const StrictJson::FieldError& error) {
        throw StateError(error.what());
    }
}

Map mapState(const State& state) {
    Map map;
    const bool stayPut = monitorsStayPut(state);
    const auto* primary = primaryMonitor(state);

    // The empty workspace GNOME keeps at the end is where a new one would
    // be, not a place of work.
    std::vector<std::uint32_t> listed;
    for (std::size_t index = 0; index < state.workspaces.size(); ++index) {
        const auto workspace = state.workspaces[index].id;
        const bool last = index + 1 == state.workspaces.size();
        const bool empty =
            std::none_of(state.windows.begin(), state.windows.end(),
                         [&](const Window& window) { return window.workspace == workspace; });
        if (state.dynamicWorkspaces && last && empty && listed.size() > 0 &&
            workspace != state.activeWorkspace) {
            continue;
        }
        listed.push_back(workspace);
    }
    map.listedWorkspaces = listed;

    Display workspaces{workspacesDisplay, {}, state.activeWorkspace, {}};
    workspaces.spaces.assign(listed.begin(), listed.end());
    for (const auto& workspace : state.workspaces) {
        workspaces.spaceNames[workspace.id] = workspace.name;
    }
    for (const auto& monitor : state.monitors) {
        if (!stayPut || &monitor == primary) {
            workspaces.area.push_back(monitor.rect);
        }
    }
    map.displays.push_back(std::move(workspaces));
    if (stayPut) {
        for (const auto& monitor : state.monitors) {
            if (&monitor == primary) {
                continue;
            }
            const auto space = monitorSpaceBase + monitor.index;
            map.displays.push_back(Display{"GNOME monitor " + std::to_string(monitor.index + 1),
                                           {space},
                                           space,
                                           {monitor.rect}});
        }
    }

    // Only Spaces the map has: a window of a workspace or monitor the state
    // does not list belongs nowhere.
    std::vector<std::uint64_t> mapped;
    for (const auto& display : map.displays) {
        mapped.insert(mapped.end(), display.spaces.begin(), display.spaces.end());
    }
    const auto add = [&](std::vector<std::uint64_t>& spaces, std::uint64_t space) {
        if (std::find(mapped.begin(), mapped.end(), space) != mapped.end()) {
            spaces.push_back(space);
        }
    };
    for (const auto& window : state.windows) {
        auto& spaces = map.windowSpaces[window.id];
        spaces.clear(); // a repeated id: the last one says
        const bool onPrimary =
            primary && window.monitor == static_cast<std::int32_t>(primary->index);
        if (stayPut && !onPrimary && window.monitor >= 0) {
            add(spaces, monitorSpaceBase + static_cast<std::uint32_t>(window.monitor));
        } else if (window.onAllWorkspaces || !window.workspace) {
            spaces.assign(listed.begin(), listed.end());
        } else {
            add(spaces, *window.workspace);
        }
    }
    return map;
}

nlohmann::json windowList(const State& state, std::int64_t ownProcess) {
    auto windows = json::array();
    for (const auto& window : state.windows) {
        windows.push_back(Mapping::windowEntry(window.id, window.app, window.title, window.frame,
                                               window.normal && window.process != ownProcess));
    }
    return windows;
}

std::optional<std::uint32_t> neighbouringWorkspace(const State& state, const Map& map,
                                                   bool forward) {
    const auto& listed = map.listedWorkspaces;
    const auto active = std::find(listed.begin(), listed.end(), state.activeWorkspace);
    if (active == listed.end()) {
        return std::nullopt;
    }
    if (forward) {
        const auto next = std::next(active);
        return next == listed.end() ? std::nullopt : std::optional(*next);
    }
    return active == listed.begin() ? std::nullopt : std::optional(*std::prev(active));
}

DisplayPoint switchingPoint(const State& state, const Map& map) {
    const auto& area = map.displays.front().area;
    if (std::any_of(area.begin(), area.end(),
                    [&](const Rect& rect) { return rect.contains(state.pointer); })) {
        return state.pointer;
    }
    const auto* primary = primaryMonitor(state);
    if (!primary) {
        return state.pointer;
    }
    return DisplayPoint{primary->rect.x + primary->rect.width / 2.0,
                        primary->rect.y + primary->rect.height / 2.0};
}

} // namespace deskmap::platform::GnomeShell
