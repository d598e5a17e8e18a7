#include "DeskmapPlatform/GnomeShell/GnomeShellWindowServer.hpp"

#include "DeskmapPlatform/Text/PeerText.hpp"
#include "DeskmapPlatform/Xdg/XdgDataFolders.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <poll.h>
#include <sstream>
#include <sys/eventfd.h>
#include <unistd.h>

namespace deskmap::platform {

namespace {

using namespace std::chrono_literals;

// How long the state read with the Spaces stands for the window list: long
// enough for the collection it was read for, too short to mislead a later one.
constexpr auto pendingStateLife = 1s;

constexpr const char* shellName = "org.gnome.Shell";

const std::string enableAdvice =
    std::string("enable it with \"gnome-extensions enable ") + GnomeShell::extensionUUID + "\"";

// GNOME's extension states (org.gnome.Shell.Extensions).
constexpr double extensionActive = 1;
constexpr double extensionInactive = 2;
constexpr double extensionError = 3;
constexpr double extensionOutOfDate = 4;
constexpr double extensionInitialized = 6; // found at start, never enabled

// Calls go to the Shell's own connection, never to whoever holds the
// extension's name: any program of the session could claim that.
DBus::MethodCall extensionCall(const std::string& shell, const char* member,
                               std::vector<DBus::Argument> arguments = {}) {
    return {shell, GnomeShell::objectPath, GnomeShell::interfaceName, member, std::move(arguments)};
}

// Whether the extension's folder is where GNOME looks for extensions.
bool extensionInstalled() {
    const auto folders = xdgDataFolders();
    std::error_code error;
    return std::any_of(folders.begin(), folders.end(), [&](const std::filesystem::path& folder) {
        return std::filesystem::exists(
            folder / "gnome-shell/extensions" / GnomeShell::extensionUUID / "metadata.json", error);
    });
}

DBus::MethodCall shellExtensionsCall(const std::string& shell, const char* member) {
    return {shell,
            "/org/gnome/Shell",
            "org.gnome.Shell.Extensions",
            member,
            {std::string(GnomeShell::extensionUUID)}};
}

} // namespace

// Listens, on a connection of its own, for the extension's change signal and
// for the extension (or the Shell) coming and going, and calls `changed` on
// its own thread for each. After losing the bus it connects again every
// `retryDelay` and calls `changed` once back, since anything may have
// changed meanwhile. Stops when destroyed.
class GnomeShellWindowServer::ChangeWatch {
public:
    ChangeWatch(std::function<std::unique_ptr<DBus::Connection>()> connect,
                std::chrono::milliseconds timeout, std::chrono::milliseconds retryDelay,
                std::function<void()> changed)
        : connect_(std::move(connect)), timeout_(timeout), retryDelay_(retryDelay),
          changed_(std::move(changed)), stop_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        if (stop_ < 0) {
            throw WindowServerError("The change watch could not be started.");
        }
        thread_ = std::thread([this] { run(); });
    }
    ~ChangeWatch() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(stop_, &one, sizeof one);
        thread_.join();
        ::close(stop_);
    }
    ChangeWatch(const ChangeWatch&) = delete;
    ChangeWatch& operator=(const ChangeWatch&) = delete;

private:
    bool stopped() const {
        pollfd descriptor{stop_, POLLIN, 0};
        return ::poll(&descriptor, 1, 0) > 0;
    }

    void run() {
        while (!stopped()) {
            try {
                auto bus = connect_();
                const auto notify = [this](const DBus::Signal&) { changed_(); };
                // From the Shell's own connection only (see extensionCall).
                bus->subscribe({shellName, GnomeShell::objectPath, GnomeShell::interfaceName,
                                "StateChanged", std::nullopt},
                               notify, timeout_);
                for (const char* name : {GnomeShell::busName, shellName}) {
                    bus->subscribe({"org.freedesktop.DBus", "/org/freedesktop/DBus",
                                    "org.freedesktop.DBus", "NameOwnerChanged", std::string(name)},
                                   notify, timeout_);
                }
                // Whatever changed before the subscriptions took hold, or
                // while the bus was away.
                changed_();
                while (!stopped()) {
                    bus->wait(stop_, 1h);
                }
                return;
            } catch (const DBus::ConnectionError&) {
            } catch (const DBus::CallError&) {
            }
            pollfd descriptor{stop_, POLLIN, 0};
            ::poll(&descriptor, 1, static_cast<int>(retryDelay_.count()));
        }
    }

    std::function<std::unique_ptr<DBus::Connection>()> connect_;
    std::chrono::milliseconds timeout_;
    std::chrono::milliseconds retryDelay_;
    std::function<void()> changed_;
    int stop_;
    std::thread thread_;
};

GnomeShellWindowServer::GnomeShellWindowServer(Options options) : options_(std::move(options)) {
    std::lock_guard lock(mutex_);
    connection();
}

GnomeShellWindowServer::~GnomeShellWindowServer() {
    setActiveSpaceObserver({});
}

DBus::Connection& GnomeShellWindowServer::connection() {
    if (!connection_) {
        try {
            connection_ = options_.connect();
        } catch (const DBus::ConnectionError& error) {
            throw WindowServerError(error.what());
        }
    }
    return *connection_;
}

nlohmann::json GnomeShellWindowServer::call(const DBus::MethodCall& request) {
    try {
        return connection().call(request, options_.callTimeout);
    } catch (const DBus::ConnectionError& error) {
        connection_.reset();
        throw WindowServerError(error.what());
    }
}

std::string GnomeShellWindowServer::shellOwner() {
    try {
        const auto reply = call({"org.freedesktop.DBus",
                                 "/org/freedesktop/DBus",
                                 "org.freedesktop.DBus",
                                 "GetNameOwner",
                                 {std::string(shellName)}});
        if (reply.size() == 1 && reply[0].is_string()) {
            return reply[0].get<std::string>();
        }
    } catch (const DBus::CallError&) {
    }
    throw WindowServerError(
        "GNOME Shell is not running in this session, so its workspaces cannot be read.");
}

std::string GnomeShellWindowServer::diagnoseMissingExtension(const std::string& shell) {
    try {
        const auto reply = call(shellExtensionsCall(shell, "GetExtensionInfo"));
        const auto info = reply.size() == 1 && reply[0].is_object() ? reply[0] : nlohmann::json();
        const auto state =
            info.contains("state") && info["state"].is_number() ? info["state"].get<double>() : -1;
        if (state == extensionInactive || state == extensionInitialized) {
            return std::string("The Deskmap GNOME Shell extension is disabled: ") + enableAdvice +
                   ".";
        }
        if (state == extensionOutOfDate) {
            return "The Deskmap GNOME Shell extension installed is not made for this version of "
                   "GNOME Shell: install the Deskmap package built for it, then log out and back "
                   "in.";
        }
        if (state == extensionError) {
            const auto reason = info.contains("error") && info["error"].is_string()
                                    ? peerText(info["error"].get<std::string>())
                                    : std::string();
            return "The Deskmap GNOME Shell extension could not start" +
                   (reason.empty() ? std::string() : " (" + reason + ")") +
                   ": reinstall Deskmap, then log out and back in.";
        }
        if (state == extensionActive) {
            return "The Deskmap GNOME Shell extension is enabled but does not answer: log out "
                   "and back in.";
        }
    } catch (const DBus::CallError&) {
    } catch (const WindowServerError&) {
    }
    if (!extensionInstalled()) {
        return "The Deskmap GNOME Shell extension is not installed: install Deskmap's package, "
               "which brings it, then log out and back in.";
    }
    return std::string("The Deskmap GNOME Shell extension is not loaded yet: GNOME loads a newly "
                       "installed extension at the next login, so log out and back in, then ") +
           enableAdvice + ".";
}

void GnomeShellWindowServer::refuseOtherVersion(const std::string& shell) {
    try {
        const auto version =
            DBus::property(connection(), shell, GnomeShell::objectPath, GnomeShell::interfaceName,
                           "Version", options_.callTimeout);
        if (version.is_number_integer() &&
            version.get<std::int64_t>() != GnomeShell::interfaceVersion) {
            throw GnomeShell::VersionError(version.dump());
        }
    } catch (const DBus::CallError&) {
        // No version to compare: the caller's own error stands.
    }
}

GnomeShell::State GnomeShellWindowServer::readState() {
    const auto shell = shellOwner();
    nlohmann::json reply;
    try {
        reply = call(extensionCall(shell, "GetState"));
    } catch (const DBus::CallError& error) {
        if (error.isTimeout()) {
            throw WindowServerError("GNOME Shell did not answer in time.");
        }
        // Nothing at the extension's path: not running. A method or
        // interface it lacks: another version, when its version says so.
        if (error.name() != "org.freedesktop.DBus.Error.UnknownObject") {
            refuseOtherVersion(shell);
        }
        if (error.isNobodyThere()) {
            throw WindowServerError(diagnoseMissingExtension(shell));
        }
        throw WindowServerError("GNOME Shell refused to tell its workspaces (" +
                                peerText(error.what()) + ").");
    }
    try {
        // The state names its version: one call, checked as it is read.
        if (reply.size() != 1 || !reply[0].is_string()) {
            throw GnomeShell::StateError("the reply is not text");
        }
        return GnomeShell::readState(reply[0].get<std::string>());
    } catch (const GnomeShell::StateError&) {
        refuseOtherVersion(shell);
        throw;
    }
}

nlohmann::json GnomeShellWindowServer::copyManagedDisplaySpaces(std::int32_t) {
    std::lock_guard lock(mutex_);
    auto state = readState();
    const auto map = GnomeShell::mapState(state);
    pendingState_ = PendingState{std::move(state), std::chrono::steady_clock::now()};
    return lastMap_.tellDisplays(map.displays);
}

GnomeShell::State GnomeShellWindowServer::stateForWindowList() {
    if (pendingState_ &&
        std::chrono::steady_clock::now() - pendingState_->read < pendingStateLife) {
        auto state = std::move(pendingState_->state);
        pendingState_.reset();
        return state;
    }
    pendingState_.reset();
    return readState();
}

nlohmann::json GnomeShellWindowServer::copyWindowListInfo(std::uint32_t, std::uint32_t) {
    std::lock_guard lock(mutex_);
    const auto state = stateForWindowList();
    lastMap_.keepWindowSpaces(GnomeShell::mapState(state).windowSpaces);
    return GnomeShell::windowList(state, options_.ownProcess.value_or(::getpid()));
}

nlohmann::json GnomeShellWindowServer::copySpacesForWindows(std::int32_t, std::int32_t,
                                                            const nlohmann::json& windowNumbers) {
    std::lock_guard lock(mutex_);
    return lastMap_.spacesForWindows(windowNumbers);
}

std::optional<InputEvent> GnomeShellWindowServer::createEvent() {
    std::lock_guard lock(mutex_);
    const auto state = readState();
    InputEvent event;
    event.location = GnomeShell::switchingPoint(state, GnomeShell::mapState(state));
    return event;
}

std::vector<std::uint32_t> GnomeShellWindowServer::displaysWithPoint(DisplayPoint point,
                                                                     std::uint32_t maximum) {
    std::lock_guard lock(mutex_);
    const auto state = readState();
    return lastMap_.displaysWithPoint(GnomeShell::mapState(state).displays, point, maximum);
}

std::optional<std::string> GnomeShellWindowServer::displayUUID(std::uint32_t display) {
    std::lock_guard lock(mutex_);
    return lastMap_.displayUUID(display);
}

std::uint32_t GnomeShellWindowServer::mainDisplayID() {
    std::lock_guard lock(mutex_);
    return lastMap_.mainDisplayID();
}

void GnomeShellWindowServer::postEvent(std::int32_t, const InputEvent& event) {
    std::lock_guard lock(mutex_);
    const auto forward = swipes_.feed(event);
    if (!forward) {
        return;
    }
    const auto state = readState();
    // Never past either end, as the Shell's own keyboard switching.
    const auto target =
        GnomeShell::neighbouringWorkspace(state, GnomeShell::mapState(state), *forward);
    if (!target) {
        return;
    }
    nlohmann::json reply;
    try {
        reply = call(extensionCall(shellOwner(), "ActivateWorkspace", {*target}));
    } catch (const DBus::CallError& error) {
        throw WindowServerError("GNOME Shell did not switch workspace (" + peerText(error.what()) +
                                ").");
    }
    if (reply.size() != 1 || !reply[0].is_boolean() || !reply[0].get<bool>()) {
        throw WindowServerError("GNOME Shell did not switch workspace: it has changed meanwhile.");
    }
}

bool GnomeShellWindowServer::isScreenCaptureAccessGranted() {
    // Asked on every refresh: the version alone, not the whole state.
    std::lock_guard lock(mutex_);
    try {
        const auto version =
            DBus::property(connection(), shellOwner(), GnomeShell::objectPath,
                           GnomeShell::interfaceName, "Version", options_.callTimeout);
        return version.is_number_integer() &&
               version.get<std::int64_t>() == GnomeShell::interfaceVersion;
    } catch (const DBus::CallError&) {
        return false;
    } catch (const DBus::ConnectionError&) {
        connection_.reset();
        return false;
    } catch (const WindowServerError&) {
        return false;
    }
}

void GnomeShellWindowServer::requestScreenCaptureAccess() {
    bool asked = false;
    {
        std::lock_guard lock(mutex_);
        try {
            call(shellExtensionsCall(shellOwner(), "EnableExtension"));
            asked = true;
        } catch (const DBus::CallError&) {
            // Not installed, or no Shell: the advice says what to do.
        } catch (const WindowServerError&) {
        }
    }
    // The extension claims its name while being enabled; give it a moment
    // so the answer read right after reflects the switch (without holding
    // up a collection meanwhile).
    const auto deadline = std::chrono::steady_clock::now() + options_.callTimeout;
    while (asked && std::chrono::steady_clock::now() < deadline) {
        {
            std::lock_guard lock(mutex_);
            try {
                if (DBus::hasOwner(connection(), GnomeShell::busName, options_.callTimeout)) {
                    return;
                }
            } catch (const DBus::CallError&) {
                return;
            } catch (const WindowServerError&) {
                return;
            }
        }
        std::this_thread::sleep_for(50ms);
    }
}

std::optional<std::string> GnomeShellWindowServer::screenCaptureAccessAdvice() {
    std::lock_guard lock(mutex_);
    try {
        readState();
        return std::nullopt;
    } catch (const WindowServerError& error) {
        return std::string(error.what());
    }
}

void GnomeShellWindowServer::setActiveSpaceObserver(std::function<void()> observer) {
    // Held while the watch starts or stops; the watch's own thread never
    // takes it (so this must not be called from the observer).
    std::lock_guard watching(watchMutex_);
    const bool wanted = static_cast<bool>(observer);
    {
        std::lock_guard lock(observerMutex_);
        observer_ = std::move(observer);
    }
    if (wanted == static_cast<bool>(watch_)) {
        return;
    }
    if (!wanted) {
        watch_.reset(); // joins its thread, which may be calling the observer
        return;
    }
    watch_ = std::make_unique<ChangeWatch>(options_.connect, options_.callTimeout,
                                           options_.retryDelay, [this] { notifyObserver(); });
}

void GnomeShellWindowServer::notifyObserver() {
    std::function<void()> observer;
    {
        std::lock_guard lock(observerMutex_);
        observer = observer_;
    }
    if (observer) {
        observer();
    }
}

} // namespace deskmap::platform
