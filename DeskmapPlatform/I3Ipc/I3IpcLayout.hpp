#pragma once

#include "DeskmapPlatform/WindowServer.hpp"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the window manager's replies say, read strictly: a reply that is not
// the JSON the protocol promises fails with ReplyError rather than being
// guessed at.
namespace deskmap::platform::I3Ipc {

class ReplyError : public WindowServerError {
public:
    explicit ReplyError(const std::string& detail)
        : WindowServerError("The window manager sent a malformed reply: " + detail + ".") {}
};

struct Rect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool contains(DisplayPoint point) const;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Output {
    std::string name;
    // Make, model and serial where the output reports all three, so that
    // it keeps its identity across reconnects and renames; else its name.
    std::string identifier;
    Rect rect;

    friend bool operator==(const Output&, const Output&) = default;
};

struct Workspace {
    std::uint64_t id = 0;
    std::string name;
    std::int64_t number = -1; // -1 for a workspace without a number
    std::string output;
    bool visible = false;
    bool focused = false;

    friend bool operator==(const Workspace&, const Workspace&) = default;
};

struct Layout {
    // The active outputs, in the window manager's order.
    std::vector<Output> outputs;
    // The workspaces of those outputs: output by output, each output's in
    // the order the window manager cycles through them.
    std::vector<Workspace> workspaces;

    std::vector<Workspace> workspacesOf(const std::string& output) const;
    // The output of the focused workspace, else the first output.
    const Output* focusedOutput() const;
    friend bool operator==(const Layout&, const Layout&) = default;
};

// From the replies to "get outputs" and "get workspaces".
Layout readLayout(std::string_view outputsReply, std::string_view workspacesReply);

// The managed display Spaces description: one display per output that holds
// workspaces, each workspace a Space identified by its container id, the
// visible one current; outputs and workspaces with their names.
nlohmann::json displaySpaces(const Layout& layout);

struct Window {
    std::uint64_t node = 0;
    std::uint64_t workspace = 0;
    std::optional<std::string> owner;
    std::optional<std::string> title;
    Rect bounds;
    std::optional<std::int64_t> process; // where the window manager says

    friend bool operator==(const Window&, const Window&) = default;
};

// The windows of every workspace of every output in the reply to "get tree",
// tiled ones before floating ones; the scratchpad's are left out.
std::vector<Window> readWindows(std::string_view treeReply);

// The workspace next to the visible one on `output`, towards later
// workspaces when `forward`; nothing at either end.
std::optional<Workspace> neighbouringWorkspace(const Layout& layout, const std::string& output,
                                               bool forward);

// The command that shows `workspace` of `layout`, or nothing when its name
// cannot be written safely in a command and no number of its own leads to it.
std::optional<std::string> showWorkspaceCommand(const Layout& layout, const Workspace& workspace);

// Whether a "run command" reply says every command succeeded.
bool commandsSucceeded(std::string_view reply);

} // namespace deskmap::platform::I3Ipc
