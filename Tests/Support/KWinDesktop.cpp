#include "Support/KWinDesktop.hpp"

#include "Support/ChildProcess.hpp"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace deskmap::test {

KWinDesktop::KWinDesktop() {
    std::filesystem::create_directories(home_ + "/home/.config");
    write(home_ + "/home/.config/kwinrc",
          "[Desktops]\nNumber=3\nRows=1\nName_1=Mail\nName_2=Code\nName_3=Desktop 3\n");
    std::filesystem::copy_file("/usr/bin/kwin_wayland", home_ + "/kwin_wayland");
    std::filesystem::copy_file(DESKMAP_KWIN_WINDOW_SCRIPT, home_ + "/kwin-window.py");
    std::filesystem::copy_file(DESKMAP_TRAY_WATCHER_SCRIPT, home_ + "/sni-watcher.py");
    makeUserFolders({"/run", "/scripts"});
    daemonEnvironment_ = {{"HOME", home_ + "/home"},
                          {"XDG_RUNTIME_DIR", home_ + "/run"},
                          {"XDG_CONFIG_HOME", home_ + "/home/.config"},
                          {"XDG_CURRENT_DESKTOP", "KDE"},
                          {"LANG", "C.UTF-8"},
                          {"QT_QPA_PLATFORM", "wayland"},
                          {"DBUS_SESSION_BUS_ADDRESS", busAddress()}};
    startSessionBus(daemonEnvironment_);
    startKWin();
}

KWinDesktop::~KWinDesktop() {
    stopKWin();
}

void KWinDesktop::startKWin() {
    auto environment = daemonEnvironment_;
    environment["QT_LOGGING_RULES"] = "js.debug=true"; // what scripts print
    kwin_ = start({home_ + "/kwin_wayland", "--virtual", "--no-lockscreen", "--no-global-shortcuts",
                   "--no-kactivities", "--socket", "wayland-deskmap", "--width", "1280", "--height",
                   "800", "--output-count", "2"},
                  environment, true);
    waitFor(
        [&] {
            try {
                return run("gdbus", {"call", "--session", "--dest", "org.kde.KWin", "--object-path",
                                     "/VirtualDesktopManager", "--method",
                                     "org.freedesktop.DBus.Properties.Get",
                                     "org.kde.KWin.VirtualDesktopManager", "count"})
                           .find("uint32 3") != std::string::npos;
            } catch (const std::runtime_error&) {
                return false;
            }
        },
        "KWin");
}

void KWinDesktop::stopKWin() {
    if (kwin_ > 0) {
        stopProcess(kwin_, SIGTERM);
        std::erase(processes_, kwin_);
        kwin_ = -1;
    }
}

std::map<std::string, std::string> KWinDesktop::environment() const {
    auto environment = daemonEnvironment_;
    environment["WAYLAND_DISPLAY"] = "wayland-deskmap";
    return environment;
}

std::string KWinDesktop::run(const std::string& program,
                             const std::vector<std::string>& arguments) const {
    return runAsUser(program, arguments, environment());
}

std::string KWinDesktop::script(const std::string& code) {
    // What it prints goes to KWin's log: marked, so it can be found there.
    const auto name = "test-" + std::to_string(++scripts_);
    const auto path = home_ + "/scripts/" + name + ".js";
    const auto marker = "[" + name + "] ";
    write(path, "function say(text) { print(\"" + marker + "\" + text); }\n" + code + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::others_read,
                                 std::filesystem::perm_options::add);
    const auto loaded =
        run("gdbus", {"call", "--session", "--dest", "org.kde.KWin", "--object-path", "/Scripting",
                      "--method", "org.kde.kwin.Scripting.loadScript", path, name});
    const auto id = loaded.substr(1, loaded.find(',') - 1);
    run("gdbus", {"call", "--session", "--dest", "org.kde.KWin", "--object-path", "/" + id,
                  "--method", "org.kde.kwin.Script.run"});
    run("gdbus", {"call", "--session", "--dest", "org.kde.KWin", "--object-path", "/Scripting",
                  "--method", "org.kde.kwin.Scripting.unloadScript", name});
    std::string said;
    std::ifstream log(home_ + "/kwin_wayland.log");
    for (std::string line; std::getline(log, line);) {
        if (const auto at = line.find(marker); at != std::string::npos) {
            said += line.substr(at + marker.size()) + "\n";
        }
    }
    return said;
}

void KWinDesktop::startTray() {
    start({"python3", home_ + "/sni-watcher.py"}, environment(), true);
    waitFor([&] { return nameHasOwner("org.kde.StatusNotifierWatcher", environment()); },
            "the tray");
}

std::string KWinDesktop::trayRegistrations() const {
    std::ifstream log(home_ + "/python3.log");
    std::string registered;
    for (std::string line; std::getline(log, line);) {
        if (line.rfind("REGISTER ", 0) == 0) {
            registered += line + "\n";
        }
    }
    return registered;
}

std::vector<std::string> KWinDesktop::windows() {
    const auto said = script("workspace.clientList().forEach(function (c) {"
                             " if (c.normalWindow) say(c.caption + '@' + "
                             "(c.onAllDesktops ? 0 : c.desktop)); });");
    std::vector<std::string> found;
    std::istringstream lines(said);
    for (std::string line; std::getline(lines, line);) {
        found.push_back(line);
    }
    return found;
}

int KWinDesktop::currentDesktop() {
    return std::stoi(script("say(workspace.currentDesktop);"));
}

bool KWinDesktop::scriptLoaded(const std::string& plugin) {
    return run("gdbus", {"call", "--session", "--dest", "org.kde.KWin", "--object-path",
                         "/Scripting", "--method", "org.kde.kwin.Scripting.isScriptLoaded", plugin})
               .find("true") != std::string::npos;
}

pid_t KWinDesktop::openWindow(const std::string& app, const std::string& title,
                              const std::string& laterTitle) {
    std::vector<std::string> command{"python3", home_ + "/kwin-window.py", title, app};
    if (!laterTitle.empty()) {
        command.insert(command.end(), {laterTitle, "1.5"});
    }
    auto environment = this->environment();
    environment["GDK_BACKEND"] = "wayland";
    const auto pid = start(command, environment, true);
    waitFor(
        [&] {
            for (const auto& window : windows()) {
                if (window.rfind(title + "@", 0) == 0) {
                    return true;
                }
            }
            return false;
        },
        "the window " + title);
    return pid;
}

} // namespace deskmap::test
