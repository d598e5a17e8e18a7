#include "Support/GnomeShellDesktop.hpp"

#include "DeskmapPlatform/DBus/DBusConnection.hpp"
#include "Support/ChildProcess.hpp"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace deskmap::test {

namespace {

constexpr const char* uuid = "deskmap@quillary.com";

} // namespace

GnomeShellDesktop::GnomeShellDesktop(Options options) {
    const auto extensions = "/home/.local/share/gnome-shell/extensions";
    std::filesystem::create_directories(home_ + extensions);
    std::filesystem::copy(std::string(DESKMAP_GNOME_EXTENSION_DIRECTORY) + "/" + uuid,
                          home_ + extensions + "/" + uuid,
                          std::filesystem::copy_options::recursive);
    makeUserFolders({"/run"});

    daemonEnvironment_ = {{"HOME", home_ + "/home"},
                          {"XDG_RUNTIME_DIR", home_ + "/run"},
                          {"XDG_CURRENT_DESKTOP", "GNOME"},
                          {"LANG", "C.UTF-8"},
                          {"DBUS_SESSION_BUS_ADDRESS", busAddress()},
                          {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + home_ + "/run/system_bus"}};
    // Without a system bus of its own the Shell dies on its login manager.
    start({"dbus-daemon", "--session", "--nofork",
           "--address=unix:path=" + home_ + "/run/system_bus"},
          daemonEnvironment_, true);
    startSessionBus(daemonEnvironment_);
    waitFor([&] { return std::filesystem::exists(home_ + "/run/system_bus"); }, "the system bus");
    // Enabled before the Shell starts: it loads extensions only then.
    run("gsettings", {"set", "org.gnome.shell", "enabled-extensions",
                      options.extensionEnabled ? std::string("['") + uuid + "']" : "[]"});
    extensionEnabled_ = options.extensionEnabled;
    startShell();
}

GnomeShellDesktop::~GnomeShellDesktop() {
    stopShell();
}

void GnomeShellDesktop::startShell() {
    shell_ = start({"gnome-shell", "--headless", "--wayland", "--no-x11",
                    "--wayland-display=wayland-deskmap", "--virtual-monitor", "1280x800",
                    "--virtual-monitor", "1024x768"},
                   daemonEnvironment_, true);
    waitFor([&] { return nameHasOwner("org.gnome.Shell", environment()); }, "GNOME Shell");
    // The Shell claims its name before it loads extensions.
    waitFor(
        [&] {
            try {
                return run("gdbus", {"call", "--session", "--dest", "org.gnome.Shell",
                                     "--object-path", "/org/gnome/Shell", "--method",
                                     "org.gnome.Shell.Extensions.GetExtensionInfo", uuid})
                           .find("'state'") != std::string::npos;
            } catch (const std::runtime_error&) {
                return false; // not exported yet
            }
        },
        "GNOME Shell's extensions");
    if (extensionEnabled_) {
        waitFor([&] { return extensionAnswers(); }, "Deskmap's extension");
    }
}

void GnomeShellDesktop::stopShell() {
    if (shell_ > 0) {
        // Never SIGINT: a background child of a non-interactive shell
        // ignores it. With virtual monitors this Shell crashes as it ends
        // (status 139), which changes nothing here.
        stopProcess(shell_, SIGTERM);
        std::erase(processes_, shell_);
        shell_ = -1;
    }
}

std::map<std::string, std::string> GnomeShellDesktop::environment() const {
    auto environment = daemonEnvironment_;
    environment["WAYLAND_DISPLAY"] = "wayland-deskmap";
    environment.erase("DBUS_SYSTEM_BUS_ADDRESS");
    return environment;
}

std::string GnomeShellDesktop::run(const std::string& program,
                                   const std::vector<std::string>& arguments) const {
    return runAsUser(program, arguments, environment());
}

bool GnomeShellDesktop::extensionAnswers() const {
    return nameHasOwner("com.quillary.deskmap.GnomeShell", environment());
}

nlohmann::json GnomeShellDesktop::state() const {
    const auto bus = platform::DBus::connectBus(busAddress());
    const auto reply = bus->call({"com.quillary.deskmap.GnomeShell",
                                  "/com/quillary/deskmap/GnomeShell",
                                  "com.quillary.deskmap.GnomeShell",
                                  "GetState",
                                  {}},
                                 std::chrono::seconds(5));
    return nlohmann::json::parse(reply.at(0).get<std::string>());
}

std::uint32_t GnomeShellDesktop::openWindow(const std::string& appId, const std::string& title) {
    auto command = asUser("/usr/bin/foot", {"-a", appId, "-T", title, "sleep", "600"});
    auto environment = this->environment();
    environment["PATH"] = "/usr/bin:/bin";
    std::vector<std::string> arguments(command.begin(), command.end());
    start(arguments, environment);
    std::uint32_t id = 0;
    nlohmann::json last;
    try {
        waitFor(
            [&] {
                last = state();
                for (const auto& window : last.at("windows")) {
                    if (window.at("title") == title) {
                        id = window.at("id");
                        return true;
                    }
                }
                return false;
            },
            "the window " + title);
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(std::string(error.what()) + " in " + last.dump());
    }
    return id;
}

} // namespace deskmap::test
