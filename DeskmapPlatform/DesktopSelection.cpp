#include "DeskmapPlatform/DesktopSelection.hpp"

#include "DeskmapPlatform/DBus/DBusConnection.hpp"
#include "DeskmapPlatform/GnomeShell/GnomeShellWindowServer.hpp"
#include "DeskmapPlatform/I3Ipc/I3IpcSocket.hpp"
#include "DeskmapPlatform/I3Ipc/I3IpcWindowServer.hpp"
#include "DeskmapPlatform/KWin/KWinWindowServer.hpp"
#include "DeskmapPlatform/Simulated/DemoScenario.hpp"
#include "DeskmapPlatform/Simulated/ScenarioError.hpp"
#include "DeskmapPlatform/Simulated/ScenarioFile.hpp"
#include "DeskmapPlatform/Simulated/SimulatedWindowServer.hpp"
#include "DeskmapPlatform/X11/X11WindowServer.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace deskmap::platform {

std::string chooseDesktop(const std::optional<std::string>& requested,
                          const std::optional<std::string>& environment,
                          const std::function<DetectedDesktop()>& detect,
                          std::optional<std::string>* notice) {
    if (requested && !requested->empty()) {
        return *requested;
    }
    if (environment && !environment->empty()) {
        return *environment;
    }
    const auto found = detect ? detect() : DetectedDesktop{};
    switch (found.kind) {
    case DetectedDesktop::Kind::supported:
        return found.name;
    case DetectedDesktop::Kind::unsupported:
        throw UnsupportedSessionError(found.description);
    case DetectedDesktop::Kind::noSession:
        break;
    }
    if (notice) {
        *notice = demoFallbackNotice;
    }
    return demoDesktopName;
}

namespace {

std::shared_ptr<WindowServer> openTiling(I3Ipc::WindowManager windowManager) {
    I3IpcWindowServer::Options options;
    options.locateSocket = [windowManager] { return I3Ipc::findSocket(windowManager); };
    options.noSocketMessage = I3Ipc::noSocketMessage(windowManager);
    return std::make_shared<I3IpcWindowServer>(std::move(options));
}

bool hasSocket(I3Ipc::WindowManager windowManager) {
    const auto path = I3Ipc::findSocket(windowManager);
    return path && I3Ipc::isListening(*path);
}

std::optional<std::string> environmentValue(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) {
        return std::nullopt;
    }
    return std::string(value);
}

std::string sessionName(const SessionProbe& probe, const std::string& fallback) {
    return probe.currentDesktop ? *probe.currentDesktop : fallback;
}

bool gnomeShellAnswers() {
    try {
        // Others own the Shell's name too (phone shells): GNOME Shell is the
        // one that manages extensions.
        auto bus = DBus::connectSessionBus();
        return DBus::property(*bus, "org.gnome.Shell", "/org/gnome/Shell",
                              "org.gnome.Shell.Extensions", "ShellVersion", std::chrono::seconds(2))
            .is_string();
    } catch (const std::exception&) {
        return false;
    }
}

bool kwinAnswers() {
    try {
        auto bus = DBus::connectSessionBus();
        return DBus::hasOwner(*bus, "org.kde.KWin", std::chrono::seconds(2));
    } catch (const std::exception&) {
        return false;
    }
}

// Whether the colon-separated list names `desktop` (in capitals).
bool names(const std::optional<std::string>& currentDesktop, const char* desktop) {
    if (!currentDesktop) {
        return false;
    }
    std::istringstream names(*currentDesktop);
    std::string name;
    while (std::getline(names, name, ':')) {
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (name == desktop) {
            return true;
        }
    }
    return false;
}

} // namespace

bool namesGnome(const std::optional<std::string>& currentDesktop) {
    return names(currentDesktop, "GNOME");
}

bool namesKde(const std::optional<std::string>& currentDesktop) {
    return names(currentDesktop, "KDE");
}

DetectedDesktop detectDesktop(const SessionProbe& probe) {
    using Kind = DetectedDesktop::Kind;
    if (probe.gnomeShellRunning && namesGnome(probe.currentDesktop)) {
        return {Kind::supported, gnomeDesktopName, {}};
    }
    if (probe.kwinRunning && namesKde(probe.currentDesktop)) {
        return {Kind::supported, kdeDesktopName, {}};
    }
    if (probe.swayListening) {
        return {Kind::supported, swayDesktopName, {}};
    }
    if (probe.i3Listening) {
        return {Kind::supported, i3DesktopName, {}};
    }
    if (probe.waylandDisplay) {
        return {Kind::unsupported,
                {},
                "This Wayland session (" + sessionName(probe, *probe.waylandDisplay) +
                    ") has no Deskmap backend yet: only sway, GNOME and KDE Plasma are supported "
                    "on Wayland. "
                    "Use --desktop to choose a desktop."};
    }
    if (probe.x11Display) {
        if (probe.ewmhWindowManager) {
            return {Kind::supported, x11DesktopName, {}};
        }
        return {Kind::unsupported,
                {},
                "The X display " + *probe.x11Display +
                    " has no EWMH window manager, so its workspaces cannot be read. "
                    "Use --desktop to choose a desktop."};
    }
    return {Kind::noSession, {}, {}};
}

DetectedDesktop detectDesktop() {
    SessionProbe probe;
    probe.waylandDisplay = environmentValue("WAYLAND_DISPLAY");
    probe.x11Display = environmentValue("DISPLAY");
    probe.currentDesktop = environmentValue("XDG_CURRENT_DESKTOP");
    // Only a session that says it is GNOME or KDE is asked over D-Bus: the others
    // never load the D-Bus client.
    probe.gnomeShellRunning = namesGnome(probe.currentDesktop) && gnomeShellAnswers();
    probe.kwinRunning = !probe.gnomeShellRunning && namesKde(probe.currentDesktop) && kwinAnswers();
    if (probe.gnomeShellRunning || probe.kwinRunning) {
        return detectDesktop(probe);
    }
    probe.swayListening = environmentValue("SWAYSOCK") && hasSocket(I3Ipc::WindowManager::sway);
    if (!probe.swayListening) {
        probe.i3Listening = hasSocket(I3Ipc::WindowManager::i3);
    }
    if (!probe.swayListening && !probe.i3Listening && !probe.waylandDisplay && probe.x11Display) {
        probe.ewmhWindowManager = X11WindowServer::isAvailable();
    }
    return detectDesktop(probe);
}

std::shared_ptr<WindowServer> openDesktop(const std::string& name) {
    try {
        if (name == gnomeDesktopName) {
            return std::make_shared<GnomeShellWindowServer>(GnomeShellWindowServer::Options{});
        }
        if (name == kdeDesktopName) {
            return std::make_shared<KWinWindowServer>(KWinWindowServer::Options{});
        }
        if (name == swayDesktopName) {
            return openTiling(I3Ipc::WindowManager::sway);
        }
        if (name == i3DesktopName) {
            return openTiling(I3Ipc::WindowManager::i3);
        }
        if (name == x11DesktopName) {
            return std::make_shared<X11WindowServer>();
        }
        if (name == demoDesktopName) {
            return std::make_shared<SimulatedWindowServer>(demoScenario());
        }
        return std::make_shared<SimulatedWindowServer>(loadScenarioFile(name));
    } catch (const ScenarioError& error) {
        throw DesktopSelectionError(error.what());
    } catch (const WindowServerError& error) {
        throw DesktopSelectionError(error.what());
    }
}

std::string sessionDesktopKey(const std::optional<std::string>& requested) {
    std::string chosen;
    try {
        chosen = chooseDesktop(requested, environmentValue("DESKMAP_DESKTOP"),
                               [] { return detectDesktop(); });
    } catch (const UnsupportedSessionError&) {
        chosen = "unsupported";
    }
    // A scenario file, however its path was written.
    if (chosen.find('/') != std::string::npos) {
        std::error_code error;
        const auto canonical = std::filesystem::weakly_canonical(chosen, error);
        if (!error) {
            chosen = canonical.string();
        }
    }
    // The display as the session names it: a socket's name without its
    // folder, an X display without its screen.
    std::string display;
    if (const auto wayland = environmentValue("WAYLAND_DISPLAY")) {
        display = "wayland " + std::filesystem::path(*wayland).filename().string();
    } else if (const auto x11 = environmentValue("DISPLAY")) {
        display = *x11;
        const auto colon = display.rfind(':');
        const auto dot = display.find('.', colon == std::string::npos ? 0 : colon);
        if (colon != std::string::npos && dot != std::string::npos) {
            display.erase(dot);
        }
    }
    return chosen + "\n" + display;
}

std::shared_ptr<WindowServer> openChosenDesktop(const std::optional<std::string>& requested,
                                                std::optional<std::string>* notice) {
    const auto detect = [] { return detectDesktop(); };
    return openDesktop(
        chooseDesktop(requested, environmentValue("DESKMAP_DESKTOP"), detect, notice));
}

} // namespace deskmap::platform
