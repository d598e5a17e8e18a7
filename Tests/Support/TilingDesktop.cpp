#include "Support/TilingDesktop.hpp"

#include "Support/ChildProcess.hpp"
#include "Support/XvfbDisplay.hpp"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace deskmap::test {

namespace {

// The first window titled `title` in a tree, and the name of its workspace.
bool findWindow(const nlohmann::json& node, const std::string& title, const std::string& workspace,
                TilingDesktop::Window& found) {
    auto here = workspace;
    if (node.value("type", "") == "workspace") {
        here = node.value("name", "");
    }
    if (node.contains("name") && node["name"].is_string() && node["name"] == title &&
        node.value("nodes", nlohmann::json::array()).empty()) {
        found = {node, here};
        return true;
    }
    for (const auto* key : {"nodes", "floating_nodes"}) {
        for (const auto& child : node.value(key, nlohmann::json::array())) {
            if (findWindow(child, title, here, found)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

TilingDesktop::~TilingDesktop() {
    kill();
}

void TilingDesktop::waitForSocket(const std::string& directory, const std::string& prefix) {
    waitFor(
        [&] {
            std::error_code error;
            for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
                if (entry.path().filename().string().rfind(prefix, 0) == 0 && entry.is_socket()) {
                    socket_ = entry.path();
                    return true;
                }
            }
            return false;
        },
        "the window manager's socket in " + directory);
    waitFor(
        [&] {
            return runProcess("/usr/bin/env", {client(), "-s", socket_, "-t", "get_version"})
                       .exitCode == 0;
        },
        "the window manager to answer");
}

void TilingDesktop::command(const std::string& commands) const {
    const auto result = runProcess("/usr/bin/env", {client(), "-s", socket_, commands});
    const auto replies = nlohmann::json::parse(result.out, nullptr, false);
    if (result.exitCode != 0 || !replies.is_array()) {
        throw std::runtime_error("\"" + commands + "\" failed: " + result.out + result.err);
    }
    for (const auto& reply : replies) {
        if (!reply.value("success", false)) {
            throw std::runtime_error("\"" + commands + "\" failed: " + result.out);
        }
    }
}

nlohmann::json TilingDesktop::query(const std::string& type) const {
    std::vector<std::string> arguments{client(), "-s", socket_, "-t", type};
    if (client() == "swaymsg") {
        arguments.emplace_back("-r"); // JSON, not its own summary
    }
    const auto result = runProcess("/usr/bin/env", arguments);
    return nlohmann::json::parse(result.out);
}

std::string TilingDesktop::visibleWorkspace(const std::string& output) const {
    for (const auto& workspace : query("get_workspaces")) {
        if (workspace.at("output") == output && workspace.at("visible").get<bool>()) {
            return workspace.at("name");
        }
    }
    return {};
}

void TilingDesktop::openWindow(const std::string& title, const std::string& workspace) {
    command("workspace " + workspace + "; exec " + terminalCommand(title));
    std::optional<Window> found;
    waitFor([&] { return (found = window(title)).has_value(); }, "the window " + title);
    if (found->workspace != workspace) {
        throw std::runtime_error(title + " opened on workspace " + found->workspace + ", not " +
                                 workspace);
    }
}

std::optional<TilingDesktop::Window> TilingDesktop::window(const std::string& title) const {
    Window found;
    return findWindow(query("get_tree"), title, {}, found) ? std::optional(found) : std::nullopt;
}

void TilingDesktop::kill() {
    if (windowManager_ > 0) {
        stopProcess(windowManager_);
        std::erase(processes_, windowManager_);
        windowManager_ = -1;
    }
}

SwayDesktop::SwayDesktop() {
    write(home_ + "/config", "output HEADLESS-1 resolution 1280x800 position 0 0\n"
                             "output HEADLESS-2 resolution 1280x800 position 1280 0\n"
                             "workspace 1 output HEADLESS-1\nworkspace 2 output HEADLESS-1\n"
                             "workspace 3 output HEADLESS-1\nworkspace 4 output HEADLESS-1\n"
                             "workspace 7 output HEADLESS-2\nworkspace 8 output HEADLESS-2\n");
    makeUserFolders({"/run", "/home"});
    windowManager_ = start({"sway", "-c", home_ + "/config"},
                           {{"HOME", home_ + "/home"},
                            {"XDG_RUNTIME_DIR", home_ + "/run"},
                            {"WLR_BACKENDS", "headless"},
                            {"WLR_LIBINPUT_NO_DEVICES", "1"},
                            {"WLR_RENDERER", "pixman"},
                            {"LANG", "C.UTF-8"}},
                           true);
    waitForSocket(home_ + "/run", "sway-ipc.");
    command("create_output");
    waitFor([&] { return query("get_outputs").size() == 2; }, "the second output");
    command("focus output HEADLESS-1; workspace 1");
}

std::map<std::string, std::string> SwayDesktop::environment() const {
    return {{"SWAYSOCK", socket_}};
}

std::string SwayDesktop::terminalCommand(const std::string& title) const {
    return "foot --title \"" + title + "\" sleep 600";
}

I3Desktop::I3Desktop() {
    XvfbDisplay xvfb;
    auto xvfbCommand = xvfb.arguments("2560x800x24");
    xvfbCommand.insert(xvfbCommand.begin(), "Xvfb");
    start(xvfbCommand, {});
    display_ = xvfb.display();
    write(home_ + "/config", "# i3 config file (v4)\nfont pango:DejaVu Sans 9\n"
                             "ipc-socket " +
                                 home_ +
                                 "/i3-ipc.sock\n"
                                 "fake-outputs 1280x800+0+0,1280x800+1280+0\n"
                                 "focus_follows_mouse no\n"
                                 "workspace 1 output fake-0\nworkspace 2 output fake-0\n"
                                 "workspace 3 output fake-0\nworkspace 4 output fake-0\n"
                                 "workspace 7 output fake-1\nworkspace 8 output fake-1\n");
    windowManager_ = start({"i3", "-c", home_ + "/config"},
                           {{"DISPLAY", display_}, {"HOME", home_}, {"LANG", "C.UTF-8"}});
    waitForSocket(home_, "i3-ipc.sock");
    command("focus output fake-0; workspace 1");
}

std::map<std::string, std::string> I3Desktop::environment() const {
    return {{"DISPLAY", display_}, {"I3SOCK", socket_}};
}

std::string I3Desktop::terminalCommand(const std::string& title) const {
    return "xterm -T \"" + title + "\" -e sleep 600";
}

} // namespace deskmap::test
