#pragma once

#include "Support/PrivateSession.hpp"

#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace deskmap::test {

// A private X11 desktop for tests: Xvfb on a free display number, openbox
// with four workspaces, and xterm windows. Everything it starts is stopped
// when it is destroyed.
class X11Desktop : public PrivateSession {
public:
    X11Desktop();

    // ":N"
    const std::string& display() const { return display_; }
    std::map<std::string, std::string> environment() const;

    // Opens an xterm with this title and class, moves it to `workspace`
    // (from 0), and returns its window id ("0x...").
    std::string openWindow(const std::string& title, const std::string& windowClass, int workspace);
    // Kills the xterm of a window and waits until the window is gone.
    void closeWindow(const std::string& windowID);

    // Runs wmctrl (or another X client) against this display; its output.
    std::string run(const std::string& program, const std::vector<std::string>& arguments) const;
    // The current workspace as wmctrl sees it (from 0).
    int currentWorkspace() const;

    // Stops the X server (its clients lose their connection).
    void stopServer();

private:
    void stop(pid_t pid);
    std::string windowOfClass(const std::string& windowClass) const;

    std::string display_;
    pid_t server_ = -1;
    pid_t windowManager_ = -1;
    std::map<std::string, pid_t> terminals_; // window id → xterm
};

} // namespace deskmap::test
