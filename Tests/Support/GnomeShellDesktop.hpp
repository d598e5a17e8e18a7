#pragma once

#include "Support/PrivateSession.hpp"

#include <nlohmann/json.hpp>

#include <map>
#include <string>

namespace deskmap::test {

// GNOME Shell, headless on Wayland with two virtual monitors (1280x800,
// primary, and 1024x768 to its right) and GNOME's own defaults (dynamic
// workspaces, workspaces on the primary only), with Deskmap's extension
// installed for the user and, unless told otherwise, enabled. It runs as
// an unprivileged user with private session and system buses; the session
// bus also lets the test's own user in.
class GnomeShellDesktop : public PrivateSession {
public:
    struct Options {
        bool extensionEnabled = true;
    };
    GnomeShellDesktop() : GnomeShellDesktop(Options{}) {}
    explicit GnomeShellDesktop(Options options);
    ~GnomeShellDesktop() override;

    // What a program needs to find this session.
    std::map<std::string, std::string> environment() const;

    // Opens a terminal with the app id and title on the active workspace and
    // waits until the extension lists it; its window id.
    std::uint32_t openWindow(const std::string& appId, const std::string& title);
    // The extension's state, through gdbus.
    nlohmann::json state() const;
    // Runs a program (gdbus, gsettings, gnome-extensions) as the session's
    // user in the session; throws when it fails.
    std::string run(const std::string& program, const std::vector<std::string>& arguments) const;
    // Whether the extension's name has an owner.
    bool extensionAnswers() const;

    void stopShell();
    void startShell();

private:
    pid_t shell_ = -1;
    bool extensionEnabled_ = true;
    std::map<std::string, std::string> daemonEnvironment_;
};

} // namespace deskmap::test
