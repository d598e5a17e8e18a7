#include "X11Desktop.hpp"

#include "ChildProcess.hpp"
#include "XvfbDisplay.hpp"

#include <algorithm>
#include <chrono>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace deskmap::test {

namespace {

using namespace std::chrono_literals;

} // namespace

X11Desktop::X11Desktop() {
    XvfbDisplay xvfb;
    auto command = xvfb.arguments("1280x800x24");
    command.insert(command.begin(), "Xvfb");
    server_ = start(command, {});
    display_ = xvfb.display();

    windowManager_ = start({"openbox", "--sm-disable"}, environment());
    waitFor([&] { return run("wmctrl", {"-m"}).find("Openbox") != std::string::npos; }, "openbox");
    run("wmctrl", {"-n", "4"});
    waitFor(
        [&] {
            const auto desktops = run("wmctrl", {"-d"});
            return std::count(desktops.begin(), desktops.end(), '\n') == 4;
        },
        "four workspaces");
    // openbox announces itself before it takes every request: a switch
    // asked for early may be dropped. Once it has carried one out, a test's
    // first switch meets a window manager that answers.
    waitFor(
        [&] {
            run("wmctrl", {"-s", "1"});
            std::this_thread::sleep_for(100ms);
            return currentWorkspace() == 1;
        },
        "a first switch");
    run("wmctrl", {"-s", "0"});
    waitFor([&] { return currentWorkspace() == 0; }, "the first workspace");
}

std::map<std::string, std::string> X11Desktop::environment() const {
    return {{"DISPLAY", display_}, {"HOME", home_}};
}

void X11Desktop::stop(pid_t pid) {
    stopProcess(pid);
    std::erase(processes_, pid);
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
    const auto pid =
        start({"xterm", "-T", title, "-class", windowClass, "-e", "sleep", "600"}, environment());
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
    server_ = -1;
}

} // namespace deskmap::test
