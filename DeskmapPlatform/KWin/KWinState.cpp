#include "DeskmapPlatform/KWin/KWinState.hpp"

#include "DeskmapPlatform/Json/StrictJson.hpp"
#include "DeskmapPlatform/Text/PeerText.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <limits>

namespace deskmap::platform::KWin {

namespace {

using nlohmann::json;
namespace Strict = StrictJson;
using Mapping::coordinate;
using Mapping::rect;

constexpr auto int32Maximum = std::numeric_limits<std::int32_t>::max();

// KWin's ids are UUIDs; anything far longer is not one.
constexpr std::size_t longestId = 256;

constexpr const char* sharedDisplay = "KWin desktops";

std::string id(const json& object, const char* key, const char* what) {
    auto value = Strict::text(object, key, what);
    if (value.size() > longestId) {
        throw Strict::FieldError(std::string(what) + " has an overlong \"" + key + "\"");
    }
    return value;
}

std::vector<std::string> ids(const json& parent, const char* key, const char* what) {
    const auto* list = Strict::member(parent, key);
    if (!list || !list->is_array()) {
        throw Strict::FieldError(std::string(what) + " has no list \"" + key + "\"");
    }
    std::vector<std::string> values;
    for (const auto& each : *list) {
        if (!each.is_string() || each.get_ref<const std::string&>().size() > longestId) {
            throw Strict::FieldError(std::string(what) + " has a \"" + key + "\" that is not ids");
        }
        values.push_back(each.get<std::string>());
    }
    return values;
}

State read(const json& document) {
    if (!document.is_object()) {
        throw Strict::FieldError("the state is not an object");
    }
    const char* what = "the state";
    const auto version = Strict::integer(document, "version", what);
    if (version != interfaceVersion) {
        throw Strict::FieldError("the state is of version " + std::to_string(version) + ", not " +
                                 std::to_string(interfaceVersion));
    }
    if (const auto failure = Strict::optionalText(document, "error", what)) {
        throw ScriptError(*failure);
    }
    State state;
    for (const auto& desktop : Strict::objects(document, "desktops", what)) {
        state.desktops.push_back(
            Desktop{id(desktop, "id", "a desktop"), Strict::text(desktop, "name", "a desktop")});
    }
    state.current = id(document, "current", what);
    for (const auto& screen : Strict::objects(document, "screens", what)) {
        Screen each{Strict::text(screen, "name", "a screen"), rect(screen, "a screen"),
                    std::nullopt};
        if (Strict::member(screen, "current")) {
            each.current = id(screen, "current", "a screen");
        }
        state.screens.push_back(std::move(each));
    }
    const auto& pointer = Strict::object(document, "pointer", what);
    state.pointer = DisplayPoint{static_cast<double>(coordinate(pointer, "x", "the pointer")),
                                 static_cast<double>(coordinate(pointer, "y", "the pointer"))};
    for (const auto& entry : Strict::objects(document, "windows", what)) {
        const char* window = "a window";
        Window each;
        each.id = id(entry, "id", window);
        each.desktopFile = Strict::text(entry, "desktopFile", window);
        each.resourceClass = Strict::text(entry, "resourceClass", window);
        each.caption = Strict::text(entry, "caption", window);
        each.desktops = ids(entry, "desktops", window);
        each.onAllDesktops = Strict::requiredFlag(entry, "onAllDesktops", window);
        each.screen =
            static_cast<std::int32_t>(Strict::integer(entry, "screen", window, -1, int32Maximum));
        each.normal = Strict::requiredFlag(entry, "normal", window);
        each.process = Strict::integer(entry, "pid", window, -1, int32Maximum);
        each.frame = rect(Strict::object(entry, "frame", window), window);
        state.windows.push_back(std::move(each));
    }
    return state;
}

} // namespace

ScriptError::ScriptError(const std::string& failure)
    : WindowServerError("Deskmap's KWin script failed (" + peerText(failure) +
                        "); Deskmap loads it again when KWin restarts.") {}

State readState(std::string_view text) {
    const auto document = StrictJson::parse(text);
    if (!document) {
        throw StateError("it is not JSON");
    }
    try {
        return read(*document);
    } catch (const StrictJson::FieldError& error) {
        throw StateError(error.what());
    }
}

std::uint32_t Numbering::number(const std::string& id) {
    const auto [entry, added] =
        numbers_.try_emplace(id, static_cast<std::uint32_t>(numbers_.size() + 1));
    return entry->second;
}

Map mapState(const State& state, Numbering& desktops, Numbering& windows) {
    const auto known = [&](const std::string& id) {
        return std::any_of(state.desktops.begin(), state.desktops.end(),
                           [&](const Desktop& desktop) { return desktop.id == id; });
    };
    Mapping::Display display{sharedDisplay, {}, 0, {}};
    for (const auto& desktop : state.desktops) {
        display.spaces.push_back(desktops.number(desktop.id));
        display.spaceNames[display.spaces.back()] = desktop.name;
    }
    if (known(state.current)) {
        display.current = desktops.number(state.current);
    }
    for (const auto& screen : state.screens) {
        display.area.push_back(screen.rect);
    }

    Map map;
    for (const auto& window : state.windows) {
        auto& spaces = map.windowSpaces[windows.number(window.id)];
        spaces.clear(); // a repeated id: the last one says
        if (window.onAllDesktops || window.desktops.empty()) {
            spaces.assign(display.spaces.begin(), display.spaces.end());
            continue;
        }
        for (const auto& desktop : window.desktops) {
            const std::uint64_t number = known(desktop) ? desktops.number(desktop) : 0;
            if (number != 0 && std::find(spaces.begin(), spaces.end(), number) == spaces.end()) {
                spaces.push_back(number);
            }
        }
    }
    map.displays.push_back(std::move(display));
    return map;
}

nlohmann::json windowList(const State& state, Numbering& windows, std::int64_t ownProcess,
                          const std::function<std::string(const Window&)>& appName) {
    auto list = json::array();
    for (const auto& window : state.windows) {
        list.push_back(Mapping::windowEntry(windows.number(window.id), appName(window),
                                            window.caption, window.frame,
                                            window.normal && window.process != ownProcess));
    }
    return list;
}

std::optional<std::string> neighbouringDesktop(const State& state, bool forward) {
    const auto& desktops = state.desktops;
    const auto current = std::find_if(desktops.begin(), desktops.end(), [&](const Desktop& each) {
        return each.id == state.current;
    });
    if (current == desktops.end()) {
        return std::nullopt;
    }
    if (forward) {
        const auto next = std::next(current);
        return next == desktops.end() ? std::nullopt : std::optional(next->id);
    }
    return current == desktops.begin() ? std::nullopt : std::optional(std::prev(current)->id);
}

} // namespace deskmap::platform::KWin
