#include "I3IpcLayout.hpp"

#include "DeskmapPlatform/Json/StrictJson.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <limits>
#include <map>
#include <type_traits>

namespace deskmap::platform::I3Ipc {

namespace {

using nlohmann::json;

// Deeper trees than any window manager builds; deeper still is not believed
// (and would exhaust the stack of the walk below).
constexpr int maximumTreeDepth = 200;

json parse(std::string_view reply, const char* what) {
    auto document = StrictJson::parse(reply);
    if (!document) {
        throw ReplyError(std::string(what) + " is not JSON");
    }
    return std::move(*document);
}

using StrictJson::flag;
using StrictJson::member;
using StrictJson::optionalText;
using StrictJson::text;

template <class Integer>
Integer integer(const json& object, const char* key, const char* what,
                std::int64_t minimum = std::numeric_limits<Integer>::min()) {
    if constexpr (std::is_unsigned_v<Integer>) {
        return static_cast<Integer>(
            StrictJson::unsignedInteger(object, key, what, std::numeric_limits<Integer>::max()));
    } else {
        return static_cast<Integer>(
            StrictJson::integer(object, key, what, minimum, std::numeric_limits<Integer>::max()));
    }
}

// i3 keeps coordinates unsigned and prints a window dragged past the left or
// top edge as a number near 2^32: that is a small negative one.
std::int32_t coordinate(const json& object, const char* key, const char* what) {
    const auto value =
        StrictJson::integer(object, key, what, std::numeric_limits<std::int32_t>::min(),
                            std::numeric_limits<std::uint32_t>::max());
    return static_cast<std::int32_t>(
        value > std::numeric_limits<std::int32_t>::max() ? value - (std::int64_t{1} << 32) : value);
}

Rect rect(const json& object, const char* what) {
    const auto* value = member(object, "rect");
    if (!value || !value->is_object()) {
        throw ReplyError(std::string(what) + " has no \"rect\"");
    }
    return Rect{coordinate(*value, "x", what), coordinate(*value, "y", what),
                integer<std::int32_t>(*value, "width", what, 0),
                integer<std::int32_t>(*value, "height", what, 0)};
}

const json& arrayOf(const json& document, const char* what) {
    return StrictJson::objectList(document, what);
}

// Window managers name their internal outputs and workspaces (the
// scratchpad's among them) with this prefix.
bool isInternal(const std::string& name) {
    return name.rfind("__", 0) == 0;
}

bool isUsableSerialPart(const std::optional<std::string>& part) {
    return part && !part->empty() && *part != "Unknown";
}

} // namespace

bool Rect::contains(DisplayPoint point) const {
    return point.x >= x && point.y >= y && point.x < static_cast<double>(x) + width &&
           point.y < static_cast<double>(y) + height;
}

std::vector<Workspace> Layout::workspacesOf(const std::string& output) const {
    std::vector<Workspace> found;
    std::copy_if(workspaces.begin(), workspaces.end(), std::back_inserter(found),
                 [&](const Workspace& workspace) { return workspace.output == output; });
    return found;
}

const Output* Layout::focusedOutput() const {
    for (const auto& workspace : workspaces) {
        if (workspace.focused) {
            for (const auto& output : outputs) {
                if (output.name == workspace.output) {
                    return &output;
                }
            }
        }
    }
    return outputs.empty() ? nullptr : &outputs.front();
}

namespace {

Layout readLayoutOf(std::string_view outputsReply, std::string_view workspacesReply) {
    Layout layout;
    const auto outputs = parse(outputsReply, "the output list");
    for (const auto& output : arrayOf(outputs, "the output list")) {
        const char* what = "an output";
        auto name = text(output, "name", what);
        if (!flag(output, "active", what) || isInternal(name)) {
            continue;
        }
        const auto make = optionalText(output, "make", what);
        const auto model = optionalText(output, "model", what);
        const auto serial = optionalText(output, "serial", what);
        auto identifier = name;
        if (isUsableSerialPart(make) && isUsableSerialPart(model) && isUsableSerialPart(serial)) {
            identifier = *make + " " + *model + " " + *serial;
        }
        layout.outputs.push_back(
            Output{std::move(name), std::move(identifier), rect(output, what)});
    }
    // Two outputs that report the same make, model and serial are told apart
    // by their names.
    std::map<std::string, int> uses;
    for (const auto& output : layout.outputs) {
        ++uses[output.identifier];
    }
    for (auto& output : layout.outputs) {
        if (uses[output.identifier] > 1) {
            output.identifier = output.name;
        }
    }

    const auto workspaces = parse(workspacesReply, "the workspace list");
    std::vector<Workspace> all;
    for (const auto& workspace : arrayOf(workspaces, "the workspace list")) {
        const char* what = "a workspace";
        all.push_back(Workspace{
            integer<std::uint64_t>(workspace, "id", what), text(workspace, "name", what),
            integer<std::int64_t>(workspace, "num", what, -1), text(workspace, "output", what),
            flag(workspace, "visible", what), flag(workspace, "focused", what)});
    }
    for (const auto& output : layout.outputs) {
        std::vector<Workspace> own;
        std::copy_if(all.begin(), all.end(), std::back_inserter(own), [&](const Workspace& each) {
            return each.output == output.name && !isInternal(each.name);
        });
        // Numbered workspaces by number, then the named ones as listed: the
        // order "next workspace on this output" goes through.
        std::stable_sort(own.begin(), own.end(), [](const Workspace& a, const Workspace& b) {
            if ((a.number < 0) != (b.number < 0)) {
                return a.number >= 0;
            }
            return a.number >= 0 && a.number < b.number;
        });
        layout.workspaces.insert(layout.workspaces.end(), own.begin(), own.end());
    }
    return layout;
}

} // namespace

Layout readLayout(std::string_view outputsReply, std::string_view workspacesReply) {
    try {
        return readLayoutOf(outputsReply, workspacesReply);
    } catch (const StrictJson::FieldError& error) {
        throw ReplyError(error.what());
    }
}

nlohmann::json displaySpaces(const Layout& layout) {
    auto displays = json::array();
    for (const auto& output : layout.outputs) {
        const auto workspaces = layout.workspacesOf(output.name);
        if (workspaces.empty()) {
            continue; // an output being switched off
        }
        json display{{"Display Identifier", output.identifier},
                     {"Display Name", output.name},
                     {"Spaces", json::array()}};
        for (const auto& workspace : workspaces) {
            display["Spaces"].push_back(
                {{"ManagedSpaceID", workspace.id}, {"Space Name", workspace.name}});
            if (workspace.visible) {
                display["Current Space"] = {{"ManagedSpaceID", workspace.id}};
            }
        }
        displays.push_back(std::move(display));
    }
    return displays;
}

namespace {

bool isView(const json& node) {
    const auto* window = member(node, "window");
    return (window && window->is_number()) || member(node, "app_id") || member(node, "shell") ||
           member(node, "window_properties");
}

const json& children(const json& node, const char* key) {
    static const json none = json::array();
    const auto* value = member(node, key);
    if (!value) {
        return none;
    }
    if (!value->is_array()) {
        throw ReplyError(std::string("a container has \"") + key + "\" that is not a list");
    }
    return *value;
}

void collectWindows(const json& node, std::uint64_t workspace, int depth,
                    std::vector<Window>& windows) {
    if (depth > maximumTreeDepth) {
        throw ReplyError("the tree is nested too deeply");
    }
    if (!node.is_object()) {
        throw ReplyError("the tree holds something other than containers");
    }
    const auto& tiled = children(node, "nodes");
    const auto& floating = children(node, "floating_nodes");
    if (tiled.empty() && floating.empty()) {
        if (!isView(node)) {
            return; // an empty placeholder, not a window
        }
        const char* what = "a window";
        Window window;
        window.node = integer<std::uint64_t>(node, "id", what);
        window.workspace = workspace;
        window.owner = optionalText(node, "app_id", what);
        if (!window.owner || window.owner->empty()) {
            if (const auto* properties = member(node, "window_properties")) {
                if (!properties->is_object()) {
                    throw ReplyError("a window has \"window_properties\" that are not an object");
                }
                window.owner = optionalText(*properties, "class", what);
                if (!window.owner || window.owner->empty()) {
                    window.owner = optionalText(*properties, "instance", what);
                }
            }
        }
        window.title = optionalText(node, "name", what);
        window.bounds = rect(node, what);
        if (member(node, "pid")) {
            window.process = integer<std::int64_t>(node, "pid", what);
        }
        windows.push_back(std::move(window));
        return;
    }
    for (const auto& child : tiled) {
        collectWindows(child, workspace, depth + 1, windows);
    }
    for (const auto& child : floating) {
        collectWindows(child, workspace, depth + 1, windows);
    }
}

// Finds the workspaces below an output (i3 keeps them in a content
// container beside the docks; sway right under the output).
void findWorkspaces(const json& node, int depth, std::vector<Window>& windows) {
    if (depth > maximumTreeDepth) {
        throw ReplyError("the tree is nested too deeply");
    }
    if (!node.is_object()) {
        throw ReplyError("the tree holds something other than containers");
    }
    const auto type = optionalText(node, "type", "a container");
    if (type == "workspace") {
        if (isInternal(text(node, "name", "a workspace"))) {
            return;
        }
        const auto id = integer<std::uint64_t>(node, "id", "a workspace");
        for (const auto& child : children(node, "nodes")) {
            collectWindows(child, id, depth + 1, windows);
        }
        for (const auto& child : children(node, "floating_nodes")) {
            collectWindows(child, id, depth + 1, windows);
        }
        return;
    }
    if (type == "dockarea") {
        return; // bars and panels
    }
    for (const auto& child : children(node, "nodes")) {
        findWorkspaces(child, depth + 1, windows);
    }
}

} // namespace

namespace {

std::vector<Window> readWindowsOf(std::string_view treeReply) {
    const auto tree = parse(treeReply, "the window tree");
    if (!tree.is_object()) {
        throw ReplyError("the window tree is not a container");
    }
    std::vector<Window> windows;
    for (const auto& output : children(tree, "nodes")) {
        if (!output.is_object()) {
            throw ReplyError("the tree holds something other than containers");
        }
        if (isInternal(text(output, "name", "an output"))) {
            continue;
        }
        findWorkspaces(output, 1, windows);
    }
    return windows;
}

} // namespace

std::vector<Window> readWindows(std::string_view treeReply) {
    try {
        return readWindowsOf(treeReply);
    } catch (const StrictJson::FieldError& error) {
        throw ReplyError(error.what());
    }
}

std::optional<Workspace> neighbouringWorkspace(const Layout& layout, const std::string& output,
                                               bool forward) {
    const auto workspaces = layout.workspacesOf(output);
    const auto visible = std::find_if(workspaces.begin(), workspaces.end(),
                                      [](const Workspace& each) { return each.visible; });
    if (visible == workspaces.end()) {
        return std::nullopt;
    }
    if (forward) {
        const auto next = std::next(visible);
        return next == workspaces.end() ? std::nullopt : std::optional(*next);
    }
    return visible == workspaces.begin() ? std::nullopt : std::optional(*std::prev(visible));
}

namespace {

// Names a window manager reads as something other than a workspace even
// inside quotes, or whose characters its command parser treats specially
// (quoting, escapes, variables, the end of the text).
bool isSafeInQuotes(const std::string& name) {
    if (name.empty() || name.find_first_of(std::string("\"\\$\n\r\0", 6)) != std::string::npos) {
        return false;
    }
    std::string lower;
    std::transform(name.begin(), name.end(), std::back_inserter(lower),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const auto* keyword : {"next", "prev", "next_on_output", "prev_on_output", "current",
                                "back_and_forth", "number"}) {
        if (lower == keyword || lower.rfind(std::string(keyword) + " ", 0) == 0) {
            return false;
        }
    }
    return lower.rfind("--", 0) != 0;
}

} // namespace

std::optional<std::string> showWorkspaceCommand(const Layout& layout, const Workspace& workspace) {
    if (isSafeInQuotes(workspace.name)) {
        return "workspace --no-auto-back-and-forth \"" + workspace.name + "\"";
    }
    // By number only where no other workspace has it: the window manager
    // would take the first of them, or make a new one.
    const auto sharing =
        std::count_if(layout.workspaces.begin(), layout.workspaces.end(),
                      [&](const Workspace& each) { return each.number == workspace.number; });
    if (workspace.number >= 0 && sharing == 1) {
        return "workspace --no-auto-back-and-forth number " + std::to_string(workspace.number);
    }
    return std::nullopt;
}

bool commandsSucceeded(std::string_view reply) {
    const auto document = parse(reply, "the command result");
    if (!document.is_array() || document.empty()) {
        return false;
    }
    return std::all_of(document.begin(), document.end(), [](const json& result) {
        return result.is_object() && result.value("success", json()).is_boolean() &&
               result.at("success").get<bool>();
    });
}

} // namespace deskmap::platform::I3Ipc
