#pragma once

#include "DeskmapPlatform/Mapping/SpaceMap.hpp"
#include "DeskmapPlatform/WindowServer.hpp"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What Deskmap's KWin script reports, read strictly, and how it becomes
// Spaces. The script's messages are outside data: anything that is not what
// its version promises fails with StateError rather than being guessed at.
namespace deskmap::platform::KWin {

// The version of the script's messages this program reads.
inline constexpr std::uint32_t interfaceVersion = 1;

class StateError : public WindowServerError {
public:
    explicit StateError(const std::string& detail)
        : WindowServerError("Deskmap's KWin script sent a malformed state: " + detail + ".") {}
};

// The script met something it could not read and says so.
class ScriptError : public WindowServerError {
public:
    explicit ScriptError(const std::string& failure);
};

using Mapping::Rect;

struct Desktop {
    std::string id;
    std::string name;

    friend bool operator==(const Desktop&, const Desktop&) = default;
};

struct Screen {
    std::string name; // empty where KWin names none (5.27)
    Rect rect;
    // Its own current desktop, where KWin tells one per screen (6.5+). Not
    // mapped: KDE documents no setting that gives screens desktops of their
    // own, so the desktops are shared.
    std::optional<std::string> current;

    friend bool operator==(const Screen&, const Screen&) = default;
};

struct Window {
    std::string id;
    std::string desktopFile;
    std::string resourceClass;
    std::string caption;
    std::vector<std::string> desktops; // empty when on all of them
    bool onAllDesktops = false;
    std::int32_t screen = -1;
    bool normal = true;
    std::int64_t process = 0;
    Rect frame;

    friend bool operator==(const Window&, const Window&) = default;
};

struct State {
    std::vector<Desktop> desktops; // in order
    std::string current;
    std::vector<Screen> screens;
    DisplayPoint pointer;
    std::vector<Window> windows;

    friend bool operator==(const State&, const State&) = default;
};

// From the JSON text the script sends.
State readState(std::string_view text);

// Numbers for KWin's text ids (desktop and window UUIDs) that last as long
// as the numbering: a desktop keeps its Space, a window its number.
class Numbering {
public:
    std::uint32_t number(const std::string& id);

private:
    std::map<std::string, std::uint32_t> numbers_;
};

struct Map {
    std::vector<Mapping::Display> displays;
    // Each window's Spaces, by window number (several for a window on
    // several or all desktops).
    std::map<std::uint32_t, std::vector<std::uint64_t>> windowSpaces;
};

// The desktops, shared by all screens, are the Spaces of one display that
// covers every screen; a window on several or all desktops is listed under
// each.
Map mapState(const State& state, Numbering& desktops, Numbering& windows);

// The window list; `appName` names a window's app as users know it.
nlohmann::json windowList(const State& state, Numbering& windows, std::int64_t ownProcess,
                          const std::function<std::string(const Window&)>& appName);

// The id of the desktop next to the current one, towards later ones when
// `forward`; nothing at either end.
std::optional<std::string> neighbouringDesktop(const State& state, bool forward);

} // namespace deskmap::platform::KWin
