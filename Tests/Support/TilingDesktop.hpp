#pragma once

#include "Support/PrivateSession.hpp"

#include <nlohmann/json.hpp>

#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace deskmap::test {

// A private tiling desktop for tests, with two outputs side by side:
// workspaces 1–4 belong to the first, 7 and 8 to the second. Everything it
// starts is stopped when it is destroyed.
class TilingDesktop : public PrivateSession {
public:
    ~TilingDesktop() override;
    TilingDesktop(const TilingDesktop&) = delete;
    TilingDesktop& operator=(const TilingDesktop&) = delete;

    // "sway" or "i3": the --desktop name.
    virtual std::string name() const = 0;
    // The app name of the terminals openWindow opens.
    virtual std::string terminalApp() const = 0;
    // What a program needs in its environment to reach this desktop.
    virtual std::map<std::string, std::string> environment() const = 0;
    const std::string& socketPath() const { return socket_; }
    // The two outputs' names, in order.
    virtual std::vector<std::string> outputs() const = 0;

    // Opens a terminal titled `title` on workspace `workspace` and waits
    // until the window manager shows it there.
    void openWindow(const std::string& title, const std::string& workspace);
    // Runs window-manager commands with its own client; throws when one fails.
    void command(const std::string& commands) const;
    // A reply of the window manager's own client ("get_workspaces", ...).
    nlohmann::json query(const std::string& type) const;
    // The first window titled `title` in the window manager's tree.
    struct Window {
        nlohmann::json node;
        std::string workspace;
    };
    std::optional<Window> window(const std::string& title) const;
    // The name of the visible workspace of `output`.
    std::string visibleWorkspace(const std::string& output) const;
    // Ends the window manager.
    void kill();

protected:
    TilingDesktop() = default;
    // The client program (swaymsg, i3-msg).
    virtual std::string client() const = 0;
    virtual std::string terminalCommand(const std::string& title) const = 0;
    void waitForSocket(const std::string& directory, const std::string& prefix);

    std::string socket_;
    pid_t windowManager_ = -1;
};

// sway, headless, software rendering, as an unprivileged user (sway refuses
// to run as root), with foot terminals.
class SwayDesktop : public TilingDesktop {
public:
    SwayDesktop();
    std::string name() const override { return "sway"; }
    std::string terminalApp() const override { return "foot"; }
    std::map<std::string, std::string> environment() const override;
    std::vector<std::string> outputs() const override { return {"HEADLESS-1", "HEADLESS-2"}; }
    // The Wayland socket, as an absolute path.
    std::string waylandDisplay() const { return home_ + "/run/wayland-1"; }

protected:
    std::string client() const override { return "swaymsg"; }
    std::string terminalCommand(const std::string& title) const override;
};

// i3 on Xvfb, its two outputs faked on one screen, with xterm terminals.
class I3Desktop : public TilingDesktop {
public:
    I3Desktop();
    std::string name() const override { return "i3"; }
    std::string terminalApp() const override { return "XTerm"; }
    std::map<std::string, std::string> environment() const override;
    std::vector<std::string> outputs() const override { return {"fake-0", "fake-1"}; }
    const std::string& display() const { return display_; }

protected:
    std::string client() const override { return "i3-msg"; }
    std::string terminalCommand(const std::string& title) const override;

private:
    std::string display_;
};

} // namespace deskmap::test
