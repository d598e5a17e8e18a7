#include "DeskmapCore/Collection/WindowParser.hpp"

#include "DeskmapCore/Collection/WindowServerValues.hpp"

#include <nlohmann/json.hpp>

#include <set>
#include <string>

namespace deskmap::WindowParser {

namespace {

// Owners of system furniture, compared exactly (case-sensitive).
const std::set<std::string, std::less<>>& excludedApps() {
    static const std::set<std::string, std::less<>> apps{"Control Center",      "Dock",
                                                         "Notification Center", "SystemUIServer",
                                                         "Window Server",       "Wallpaper"};
    return apps;
}

constexpr std::int64_t minimumSide = 100;

const nlohmann::json* member(const nlohmann::json& dictionary, const char* key) {
    const auto found = dictionary.find(key);
    return found == dictionary.end() ? nullptr : &*found;
}

std::optional<std::int64_t> integerMember(const nlohmann::json& dictionary, const char* key) {
    const auto* value = member(dictionary, key);
    return value ? WindowServerValues::integer(*value) : std::nullopt;
}

} // namespace

std::optional<WindowEvidence> parse(const nlohmann::json& window) {
    if (!window.is_object()) {
        return std::nullopt;
    }
    if (integerMember(window, "kCGWindowLayer") != 0) {
        return std::nullopt;
    }
    // A window number must also be a whole number that fits 32 bits: a
    // wrapped or rounded number would file the window under another's ID.
    const auto* number = member(window, "kCGWindowNumber");
    const auto windowID = number ? WindowServerValues::unsigned32(*number) : std::nullopt;
    if (!windowID) {
        return std::nullopt;
    }
    const auto* owner = member(window, "kCGWindowOwnerName");
    if (owner == nullptr || !owner->is_string() || owner->get_ref<const std::string&>().empty() ||
        excludedApps().contains(owner->get_ref<const std::string&>())) {
        return std::nullopt;
    }
    const auto* bounds = member(window, "kCGWindowBounds");
    if (bounds == nullptr || !bounds->is_object()) {
        return std::nullopt;
    }
    const auto width = integerMember(*bounds, "Width");
    const auto height = integerMember(*bounds, "Height");
    if (!width || !height || *width < minimumSide || *height < minimumSide) {
        return std::nullopt;
    }
    if (const auto* alphaValue = member(window, "kCGWindowAlpha")) {
        if (const auto alpha = WindowServerValues::real(*alphaValue); alpha && !(*alpha > 0.0)) {
            return std::nullopt;
        }
    }

    WindowEvidence evidence;
    evidence.windowID = *windowID;
    evidence.app = owner->get<std::string>();
    if (const auto* name = member(window, "kCGWindowName");
        name && name->is_string() && !name->get_ref<const std::string&>().empty()) {
        evidence.title = name->get<std::string>();
    }
    evidence.bounds = WindowBounds{integerMember(*bounds, "X").value_or(0),
                                   integerMember(*bounds, "Y").value_or(0), *width, *height};
    return evidence;
}

} // namespace deskmap::WindowParser
