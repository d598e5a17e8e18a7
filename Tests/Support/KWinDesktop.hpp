#pragma once

#include "Support/PrivateSession.hpp"

#include <nlohmann/json.hpp>

#include <map>
#include <string>
#include <vector>

namespace deskmap::test {

// KWin 5.27, headless on Wayland with two virtual screens of 1280x800 side
// by side and three virtual desktops named in its configuration. It runs
// as an unprivileged user with a private session bus that also lets the
// test's own user in. KWin's file capability cannot be used in a container,
// so a plain copy of it runs.
class KWinDesktop : public PrivateSession {
public:
    KWinDesktop();
    ~KWinDesktop() override;

    // What a program needs to find this session.
    std::map<std::string, std::string> environment() const;

    // Opens a GTK window (resource class `app`) and waits until KWin lists
    // it; with `laterTitle`, it retitles itself after 1.5 s. Its process.
    pid_t openWindow(const std::string& app, const std::string& title,
                     const std::string& laterTitle = {});
    // Starts a stand-in for Plasma's tray; what registered with it so far.
    void startTray();
    std::string trayRegistrations() const;
    // Runs JavaScript in KWin (a script loaded, run and unloaded) and
    // returns what it printed.
    std::string script(const std::string& code);
    // KWin's windows as "caption@desktop" (0: on all desktops), in KWin's order.
    std::vector<std::string> windows();
    // The current desktop's number, and the loaded scripts' names that
    // start with `prefix`, as KWin's own interfaces tell them.
    int currentDesktop();
    bool scriptLoaded(const std::string& plugin);
    // Runs a program as the session's user in the session; throws when it fails.
    std::string run(const std::string& program, const std::vector<std::string>& arguments) const;

    void stopKWin();
    void startKWin();

private:
    pid_t kwin_ = -1;
    int scripts_ = 0;
    std::map<std::string, std::string> daemonEnvironment_;
};

} // namespace deskmap::test
