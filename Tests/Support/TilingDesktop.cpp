#include "Support/TilingDesktop.hpp"

#include "Support/ChildProcess.hpp"
#include "Support/XvfbDisplay.hpp"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace deskmap::test {

namespace {

using namespace std::chrono_literals;

// sway refuses to run as root; tests run by root run it as nobody.
constexpr uid_t unprivilegedUser = 65534;
constexpr gid_t unprivilegedGroup = 65534;

void waitFor(const std::function<bool()>& done, const std::string& what) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("timed out waiting for " + what);
        }
        std::this_thread::sleep_for(20ms);
    }
}

void stop(pid_t pid) {
    if (pid <= 0) {
        return;
    }
    ::kill(pid, SIGTERM);
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (::waitpid(pid, nullptr, WNOHANG) != 0) {
            return;
        }
        std::this_thread::sleep_for(10ms);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

void write(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

// The first window titled `title` in a tree, with the name of its workspace.
bool findWindow(const nlohmann::json& node, const std::string& title, const std::string& workspace,
                std::string& found) {
    auto here = workspace;
    if (node.value("type", "") == "workspace") {
        here = node.value("name", "");
    }
    if (node.contains("name") && node["name"].is_string() && node["name"] == title &&
        node.value("nodes", nlohmann::json::array()).empty()) {
        found = here;
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

TilingDesktop::TilingDesktop() {
    std::string pattern = (std::filesystem::temp_directory_path() / "deskmap-tiling-XXXXXX");
    if (!::mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    home_ = pattern;
}

TilingDesktop::~TilingDesktop() {
    kill();
    for (auto it = processes_.rbegin(); it != processes_.rend(); ++it) {
        stop(*it);
    }
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
}

pid_t TilingDesktop::start(const std::vector<std::string>& command,
                           const std::map<std::string, std::string>& environment, bool asUser) {
    // Everything the child needs is made before fork: only system calls follow it.
    std::vector<std::string> arguments = command;
    std::vector<char*> argv;
    for (auto& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> entries{
        "PATH=" + std::string(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin")};
    for (const auto& [name, value] : environment) {
        entries.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (auto& entry : entries) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    const auto log =
        home_ + "/" + std::filesystem::path(command.front()).filename().string() + ".log";
    const bool dropPrivileges = asUser && ::getuid() == 0;

    const pid_t pid = ::fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDONLY);
        const int output = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        ::dup2(null, STDIN_FILENO);
        ::dup2(output, STDOUT_FILENO);
        ::dup2(output, STDERR_FILENO);
        ::setsid();
        if (dropPrivileges && (::setgroups(0, nullptr) != 0 || ::setgid(unprivilegedGroup) != 0 ||
                               ::setuid(unprivilegedUser) != 0)) {
            ::_exit(126);
        }
        ::execvpe(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    processes_.push_back(pid);
    return pid;
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
    std::string on;
    waitFor([&] { return findWindow(query("get_tree"), title, {}, on); }, "the window " + title);
    if (on != workspace) {
        throw std::runtime_error(title + " opened on workspace " + on + ", not " + workspace);
    }
}

void TilingDesktop::kill() {
    if (windowManager_ > 0) {
        stop(windowManager_);
        std::erase(processes_, windowManager_);
        windowManager_ = -1;
    }
}

SwayDesktop::SwayDesktop() {
    std::filesystem::create_directories(home_ + "/run");
    std::filesystem::create_directories(home_ + "/home");
    std::filesystem::permissions(home_ + "/run", std::filesystem::perms::owner_all);
    std::filesystem::permissions(home_, std::filesystem::perms::owner_all |
                                            std::filesystem::perms::group_exec |
                                            std::filesystem::perms::others_exec);
    write(home_ + "/config", "output HEADLESS-1 resolution 1280x800 position 0 0\n"
                             "output HEADLESS-2 resolution 1280x800 position 1280 0\n"
                             "workspace 1 output HEADLESS-1\nworkspace 2 output HEADLESS-1\n"
                             "workspace 3 output HEADLESS-1\nworkspace 4 output HEADLESS-1\n"
                             "workspace 7 output HEADLESS-2\nworkspace 8 output HEADLESS-2\n");
    if (::getuid() == 0) {
        for (const auto* path : {"", "/run", "/home", "/config"}) {
            if (::chown((home_ + path).c_str(), unprivilegedUser, unprivilegedGroup) != 0) {
                throw std::runtime_error("chown failed");
            }
        }
    }
    windowManager_ = start({"sway", "-c", home_ + "/config"},
                           {{"HOME", home_ + "/home"},
                            {"XDG_RUNTIME_DIR", home_ + "/run"},
                            {"WLR_BACKENDS", "headless"},
                            {"WLR_LIBINPUT_NO_DEVICES", "1"},
                            {"WLR_RENDERER", "pixman"},
                            {"LANG", "C.UTF-8"}},
                           true);
    if (::getuid() == 0) {
        user_ = unprivilegedUser;
    }
    waitForSocket(home_ + "/run", "sway-ipc.");
    command("create_output");
    waitFor([&] { return query("get_outputs").size() == 2; }, "the second output");
    command("focus output HEADLESS-1; workspace 1");
}

std::vector<std::string> TilingDesktop::asUser(const std::string& program,
                                               std::vector<std::string> arguments) const {
    std::vector<std::string> command;
    std::string runnable = program;
    if (user_ != ::getuid()) {
        command = {"/usr/bin/setpriv", "--reuid=" + std::to_string(user_),
                   "--regid=" + std::to_string(unprivilegedGroup), "--clear-groups"};
        // A copy that user can reach: the build tree may lie where it cannot.
        const auto bin = std::filesystem::path(home_) / "bin";
        std::filesystem::create_directories(bin);
        std::filesystem::permissions(
            bin, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                     std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                     std::filesystem::perms::others_exec);
        const auto copy = bin / std::filesystem::path(program).filename();
        // Once per desktop: a copy that runs cannot be replaced.
        std::filesystem::copy_file(program, copy, std::filesystem::copy_options::skip_existing);
        std::filesystem::permissions(
            copy, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                      std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                      std::filesystem::perms::others_exec);
        runnable = copy.string();
        // Its run-time modules beside it, where an installed program has them.
        const auto lib = std::filesystem::path(home_) / "lib";
        const auto modules = lib / "deskmap" / "modules";
        std::filesystem::create_directories(modules);
        for (const auto& folder : {lib, lib / "deskmap", modules}) {
            ::chmod(folder.c_str(), 0755); // whatever the umask: no one else may write
        }
        for (const auto& module : std::filesystem::directory_iterator(DESKMAP_MODULE_DIRECTORY)) {
            if (module.path().extension() == ".so") {
                std::filesystem::copy_file(module.path(), modules / module.path().filename(),
                                           std::filesystem::copy_options::skip_existing);
            }
        }
    }
    command.push_back(runnable);
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
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
