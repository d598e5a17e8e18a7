#include "X11Desktop.hpp"

#include "ChildProcess.hpp"
#include "XvfbDisplay.hpp"

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace deskmap::test {

namespace {

using namespace std::chrono_literals;

void waitFor(const std::function<bool()>& done, const std::string& what) {
    const auto deadline = std::chrono::steady_clock::now() + 15s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("timed out waiting for " + what);
        }
        std::this_thread::sleep_for(20ms);
    }
}

void stop(pid_t& pid) {
    if (pid <= 0) {
        return;
    }
    ::kill(pid, SIGTERM);
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        std::this_thread::sleep_for(10ms);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
}

} // namespace

X11Desktop::X11Desktop() {
    XvfbDisplay xvfb;
    server_ = start("Xvfb", xvfb.arguments("1280x800x24"));
    try {
        display_ = xvfb.display();
    } catch (...) {
        stop(server_);
        throw;
    }

    windowManager_ = start("openbox", {"--sm-disable"});
    try {
        waitFor([&] { return run("wmctrl", {"-m"}).find("Openbox") != std::string::npos; },
                "openbox");
        run("wmctrl", {"-n", "4"});
        waitFor(
            [&] {
                const auto desktops = run("wmctrl", {"-d"});
                return std::count(desktops.begin(), desktops.end(), '\n') == 4;
            },
            "four workspaces");
        // openbox announces itself before it takes every request: a switch
        // asked for early may be dropped. Once it has carried one out, a
        // test's first switch meets a window manager that answers.
        waitFor(
            [&] {
                run("wmctrl", {"-s", "1"});
                std::this_thread::sleep_for(100ms);
                return currentWorkspace() == 1;
            },
            "a first switch");
        run("wmctrl", {"-s", "0"});
        waitFor([&] { return currentWorkspace() == 0; }, "the first workspace");
    } catch (...) {
        stop(windowManager_);
        stop(server_);
        throw;
    }
}

X11Desktop::~X11Desktop() {
    for (auto& [window, pid] : terminals_) {
        stop(pid);
    }
    stop(windowManager_);
    stop(server_);
}

pid_t X11Desktop::start(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<std::string> strings{program};
    strings.insert(strings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& text : strings) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "DISPLAY=", 8) != 0) {
            environment.emplace_back(*entry);
        }
    }
    if (!display_.empty()) {
        environment.push_back("DISPLAY=" + display_);
    }
    std::vector<char*> envp;
    for (auto& text : environment) {
        envp.push_back(text.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Quiet: their chatter is not part of any test.
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int result =
        posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        throw std::runtime_error("could not start " + program + ": " + std::strerror(result));
    }
    return pid;
}

std::string X11Desktop::run(const std::string& program,
                            const std::vector<std::string>& arguments) const {
    return runProcess("/usr/bin/env",
                      [&] {
                          std::vector<std::string> all{"DISPLAY=" + display_, program};
                          all.insert(all.end(), arguments.begin(), arguments.end());
                          return all;
                      }())
        .out;
}

std::string X11Desktop::windowOfClass(const std::string& windowClass) const {
    std::istringstream lines(run("wmctrl", {"-l", "-x"}));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string id, desktop, name;
        fields >> id >> desktop >> name;
        if (name.size() > windowClass.size() &&
            name.compare(name.size() - windowClass.size(), windowClass.size(), windowClass) == 0 &&
            name[name.size() - windowClass.size() - 1] == '.') {
            return id;
        }
    }
    return {};
}

std::string X11Desktop::openWindow(const std::string& title, const std::string& windowClass,
                                   int workspace) {
    const auto pid = start("xterm", {"-T", title, "-class", windowClass, "-e", "sleep", "600"});
    std::string window;
    waitFor(
        [&] {
            window = windowOfClass(windowClass);
            return !window.empty();
        },
        "the window of " + windowClass);
    terminals_[window] = pid;
    run("wmctrl", {"-i", "-r", window, "-t", std::to_string(workspace)});
    waitFor(
        [&] {
            std::istringstream lines(run("wmctrl", {"-l"}));
            std::string line;
            while (std::getline(lines, line)) {
                std::istringstream fields(line);
                std::string id;
                int desktop = -2;
                fields >> id >> desktop;
                if (id == window) {
                    return desktop == workspace;
                }
            }
            return false;
        },
        "the window to move");
    return window;
}

void X11Desktop::closeWindow(const std::string& windowID) {
    auto found = terminals_.find(windowID);
    if (found == terminals_.end()) {
        return;
    }
    stop(found->second);
    terminals_.erase(found);
    waitFor(
        [&] {
            return runProcess("/usr/bin/env",
                              {"DISPLAY=" + display_, "xprop", "-id", windowID, "WM_NAME"})
                       .exitCode != 0;
        },
        "the window to close");
}

int X11Desktop::currentWorkspace() const {
    std::istringstream lines(run("wmctrl", {"-d"}));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        int number = -1;
        std::string mark;
        fields >> number >> mark;
        if (mark == "*") {
            return number;
        }
    }
    return -1;
}

void X11Desktop::stopServer() {
    stop(server_);
}

} // namespace deskmap::test
