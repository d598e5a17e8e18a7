#include "DeskmapPlatform/KWin/KWinWindowServer.hpp"

#include "DeskmapPlatform/Text/PeerText.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace deskmap::platform {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kwinName = "org.kde.KWin";

constexpr std::chrono::milliseconds startRetryDelay{250};
constexpr std::chrono::milliseconds longestRetryDelay{60000};
constexpr const char* scriptingInterface = "org.kde.kwin.Scripting";
constexpr const char* virtualDesktops = "org.kde.KWin.VirtualDesktopManager";

// A folder only this user can enter, for files KWin will run.
fs::path privateFolder() {
    std::vector<fs::path> candidates;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
        candidates.push_back(fs::path(runtime) / "deskmap-kwin");
    }
    candidates.push_back("/tmp/deskmap-kwin-" + std::to_string(::getuid()));
    for (const auto& folder : candidates) {
        ::mkdir(folder.c_str(), 0700);
        struct stat status {};
        if (::lstat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
            status.st_uid == ::getuid() && (status.st_mode & 077) == 0) {
            return folder;
        }
    }
    throw WindowServerError(
        "No private folder is free for Deskmap's KWin script (XDG_RUNTIME_DIR is unset and "
        "/tmp/deskmap-kwin-" +
        std::to_string(::getuid()) + " belongs to someone else or is open to others).");
}

// Unique names are ':' then digits and dots; anything else is refused, as
// the name is written into a script KWin runs.
bool plainUniqueName(const std::string& name) {
    return name.size() > 1 && name.size() < 64 && name[0] == ':' &&
           std::all_of(name.begin() + 1, name.end(), [](char c) {
               return (c >= '0' && c <= '9') || c == '.' || (c >= 'a' && c <= 'z') ||
                      (c >= 'A' && c <= 'Z') || c == '_' || c == '-';
           });
}

DBus::MethodCall scripting(const char* member, std::vector<DBus::Argument> arguments) {
    return {kwinName, "/Scripting", scriptingInterface, member, std::move(arguments)};
}

} // namespace

// Hosts this process's script: on a thread and bus connection of its own it
// serves the object the script calls, loads and runs the script whenever
// KWin (re)appears, and unloads it when stopped. It reports each state the
// script sends, and why there is none when there is none.
class KWinWindowServer::ScriptHost {
public:
    // A state, or why there is none (empty: none yet); `keep` when the last
    // good state still stands (a malformed message).
    using Report = std::function<void(std::optional<KWin::State>, std::string, bool keep)>;

    ScriptHost(const Options& options, fs::path folder, Report report)
        : connect_(options.connect), timeout_(options.callTimeout),
          fileMode_(options.scriptFolder.empty() ? 0600 : 0644), retryDelay_(options.retryDelay),
          baseFolder_(std::move(folder)), report_(std::move(report)),
          stop_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        if (stop_ < 0) {
            throw WindowServerError(
                "Deskmap's KWin script could not be hosted: the system is out of resources.");
        }
        thread_ = std::thread([this] { run(); });
    }
    ~ScriptHost() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(stop_, &one, sizeof one);
        thread_.join();
        ::close(stop_);
    }
    ScriptHost(const ScriptHost&) = delete;
    ScriptHost& operator=(const ScriptHost&) = delete;

private:
    bool stopped() const {
        pollfd descriptor{stop_, POLLIN, 0};
        return ::poll(&descriptor, 1, 0) > 0;
    }

    void run() {
        while (!stopped()) {
            try {
                auto bus = connect_();
                host(*bus);
                return;
            } catch (const DBus::ConnectionError& error) {
                report_(std::nullopt, error.what(), false);
            } catch (const DBus::CallError& error) {
                report_(std::nullopt, "KWin's scripting failed (" + peerText(error.what()) + ").",
                        false);
            } catch (const WindowServerError& error) {
                report_(std::nullopt, error.what(), false);
            } catch (const std::exception& error) {
                report_(std::nullopt,
                        std::string("Deskmap could not host its KWin script (") + error.what() +
                            ").",
                        false);
            }
            pollfd descriptor{stop_, POLLIN, 0};
            ::poll(&descriptor, 1, static_cast<int>(retryDelay_.count()));
        }
    }

    void host(DBus::Connection& bus) {
        const auto self = bus.uniqueName();
        if (!plainUniqueName(self)) {
            throw WindowServerError("The session bus gave Deskmap a name it cannot use; log out "
                                    "and back in.");
        }
        plugin_ = KWin::pluginPrefix + self.substr(1);
        busFolder(bus);
        std::string kwin;
        bool kwinChanged = true;
        bus.serve(KWin::objectPath, [&](const DBus::IncomingCall& call) { receive(call, kwin); });
        bus.subscribe(
            {"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
             "NameOwnerChanged", std::string(kwinName)},
            [&](const DBus::Signal& signal) {
                if (signal.arguments.size() == 3 && signal.arguments[2].is_string() &&
                    signal.arguments[2].get<std::string>() != kwin) {
                    kwin = signal.arguments[2].get<std::string>();
                    kwinChanged = true;
                }
            },
            timeout_);
        kwin = owner(bus);
        // KWin takes its name before its scripting is ready, and a KWin
        // without scripting may gain it: a failed start is tried again, soon
        // at first and then ever more rarely, until the script runs or KWin
        // changes. A running script needs nothing: its messages drive all.
        using Clock = std::chrono::steady_clock;
        std::optional<std::chrono::milliseconds> retry; // the delay before the next attempt
        Clock::time_point nextAttempt;
        int attempt = 0;
        try {
            while (!stopped()) {
                if (kwinChanged) {
                    kwinChanged = false;
                    attempt = 0;
                    retry = std::chrono::milliseconds(0);
                    nextAttempt = Clock::now();
                    heard_ = false;
                }
                if (retry && heard_) {
                    retry.reset(); // an attempt that seemed to fail ran after all
                }
                // Other traffic may end a wait early: an attempt is due only
                // when its time has come.
                if (retry && Clock::now() >= nextAttempt) {
                    if (start(bus, self, kwin, attempt++)) {
                        retry.reset();
                    } else {
                        retry = std::min<std::chrono::milliseconds>(
                            std::max(startRetryDelay, *retry * 2), longestRetryDelay);
                        nextAttempt = Clock::now() + *retry;
                    }
                }
                const auto left = retry ? std::chrono::duration_cast<std::chrono::milliseconds>(
                                              nextAttempt - Clock::now()) +
                                              std::chrono::milliseconds(1)
                                        : std::chrono::milliseconds(1h);
                bus.wait(stop_, std::max(left, std::chrono::milliseconds(1)));
            }
        } catch (...) {
            unload(bus, kwin);
            throw;
        }
        unload(bus, kwin);
    }

    // Unique names are unique on one bus only: each bus has a folder of its
    // own, so that sessions sharing a runtime folder never take each
    // other's scripts for leftovers.
    void busFolder(DBus::Connection& bus) {
        const auto reply = bus.call(
            {"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetId", {}},
            timeout_);
        std::string id =
            reply.size() == 1 && reply[0].is_string() ? reply[0].get<std::string>() : std::string();
        if (id.empty() || id.size() > 64 || !std::all_of(id.begin(), id.end(), [](char c) {
                return std::isxdigit(static_cast<unsigned char>(c)) != 0;
            })) {
            id = "bus";
        }
        folder_ = baseFolder_ / id;
        ::mkdir(folder_.c_str(), fileMode_ == 0600 ? 0700 : 0755);
    }

    std::string owner(DBus::Connection& bus) {
        try {
            const auto reply = bus.call({"org.freedesktop.DBus",
                                         "/org/freedesktop/DBus",
                                         "org.freedesktop.DBus",
                                         "GetNameOwner",
                                         {std::string(kwinName)}},
                                        timeout_);
            if (reply.size() == 1 && reply[0].is_string()) {
                return reply[0].get<std::string>();
            }
        } catch (const DBus::CallError&) {
        }
        return {};
    }

    // Whether there is nothing more to try until KWin changes: the script
    // runs, or no KWin does. A failure is reported at once and stands until
    // an attempt succeeds.
    bool start(DBus::Connection& bus, const std::string& self, const std::string& kwin,
               int attempt) {
        if (kwin.empty()) {
            report_(std::nullopt,
                    "KWin is not running in this session, so its virtual desktops cannot be "
                    "read; log in to KDE Plasma, or choose another desktop with --desktop.",
                    false);
            return true;
        }
        if (attempt == 0) {
            report_(std::nullopt, {}, false); // a new KWin: nothing known until its script speaks
        }
        try {
            removeLeftovers(bus);
            if (!stopped()) { // each call may take its whole deadline
                load(bus, self, attempt > 0);
            }
            return true;
        } catch (const DBus::CallError& error) {
            // Just started, KWin may not offer its scripting yet.
            if (attempt > 0 || !error.isNobodyThere()) {
                report_(std::nullopt,
                        error.isNobodyThere()
                            ? "KWin offers no scripting interface, so Deskmap cannot read its "
                              "virtual desktops; a KWin built without scripting cannot be read."
                            : "KWin did not run Deskmap's script (" + peerText(error.what()) +
                                  "); Deskmap tries again by itself.",
                        false);
            }
        } catch (const WindowServerError& error) {
            report_(std::nullopt, error.what(), false);
        }
        return false;
    }

    void receive(const DBus::IncomingCall& call, const std::string& kwin) {
        // Only KWin's own connection speaks for KWin.
        if (kwin.empty() || call.sender != kwin) {
            throw DBus::CallError("org.freedesktop.DBus.Error.AccessDenied",
                                  "Only KWin may send Deskmap its state.");
        }
        if (call.interface != KWin::interfaceName || call.member != "State") {
            throw DBus::CallError("org.freedesktop.DBus.Error.UnknownMethod", "No such method.");
        }
        try {
            if (call.arguments.size() != 1 || !call.arguments[0].is_string()) {
                throw KWin::StateError("the message is not text");
            }
            report_(KWin::readState(call.arguments[0].get<std::string>()), {}, false);
            heard_ = true;
        } catch (const KWin::StateError& error) {
            report_(std::nullopt, error.what(), true);
        } catch (const KWin::ScriptError& error) {
            report_(std::nullopt, error.what(), false); // what it sent before may be stale
        }
    }

    fs::path scriptPath(const std::string& plugin) const { return folder_ / (plugin + ".js"); }

    // Scripts of Deskmap processes that are gone (killed before they could
    // unload theirs): each is named after a unique name that no longer has
    // an owner, and unique names are never given out twice.
    void removeLeftovers(DBus::Connection& bus) {
        std::error_code error;
        for (fs::directory_iterator entries(folder_, error), end; !error && entries != end;
             entries.increment(error)) {
            const auto& entry = *entries;
            if (stopped()) {
                return;
            }
            const auto plugin = entry.path().stem().string();
            if (entry.path().extension() != ".js" || plugin.rfind(KWin::pluginPrefix, 0) != 0 ||
                plugin == plugin_) {
                continue;
            }
            const auto name = ":" + plugin.substr(std::strlen(KWin::pluginPrefix));
            if (!plainUniqueName(name) || DBus::hasOwner(bus, name, timeout_)) {
                continue;
            }
            try {
                bus.call(scripting("unloadScript", {plugin}), timeout_);
            } catch (const DBus::CallError&) {
            }
            fs::remove(entry.path(), error);
        }
    }

    // `again`: an earlier attempt may have loaded the script before failing.
    void load(DBus::Connection& bus, const std::string& self, bool again) {
        const auto path = scriptPath(plugin_);
        const std::string text = "var deskmapCallback = \"" + self + "\";\n" + KWin::scriptText;
        const int file =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, fileMode_);
        if (file < 0) {
            throw WindowServerError("Deskmap's KWin script could not be written to " +
                                    path.string() + " (" + std::strerror(errno) + ").");
        }
        const auto written = ::write(file, text.data(), text.size());
        ::close(file);
        if (written != static_cast<ssize_t>(text.size())) {
            throw WindowServerError("Deskmap's KWin script could not be written to " +
                                    path.string() + ".");
        }
        // Only this connection's own earlier attempt can hold its name (a
        // unique name, never given out twice on a bus).
        if (again) {
            bus.call(scripting("unloadScript", {plugin_}), timeout_);
        }
        const auto reply = bus.call(scripting("loadScript", {path.string(), plugin_}), timeout_);
        if (reply.size() != 1 || !reply[0].is_number_integer() ||
            reply[0].get<std::int64_t>() < 0) {
            throw WindowServerError(
                "KWin refused to load Deskmap's script; Deskmap tries again by itself.");
        }
        const auto id = reply[0].get<std::int64_t>();
        bus.call({kwinName, scriptObject(bus, id), "org.kde.kwin.Script", "run", {}}, timeout_);
    }

    // Where KWin put the loaded script's object: "/ID" in KWin 5,
    // "/Scripting/ScriptID" in KWin 6. Asked rather than assumed.
    std::string scriptObject(DBus::Connection& bus, std::int64_t id) {
        const auto number = std::to_string(id);
        for (const auto& [parent, node] : {std::pair<std::string, std::string>{"/", number},
                                           {"/Scripting", "Script" + number}}) {
            const auto reply = bus.call(
                {kwinName, parent, "org.freedesktop.DBus.Introspectable", "Introspect", {}},
                timeout_);
            if (reply.size() == 1 && reply[0].is_string() &&
                reply[0].get<std::string>().find("<node name=\"" + node + "\"") !=
                    std::string::npos) {
                return parent == "/" ? "/" + node : parent + "/" + node;
            }
        }
        throw WindowServerError("KWin loaded Deskmap's script but shows no way to run it.");
    }

    void unload(DBus::Connection& bus, const std::string& kwin) {
        if (!kwin.empty()) {
            try {
                // KWin unloads it in its own time; this process need not wait.
                bus.send(scripting("unloadScript", {plugin_}));
            } catch (const DBus::CallError&) {
                return; // the file stays: the next Deskmap unloads the script
            } catch (const DBus::ConnectionError&) {
                return;
            }
        }
        std::error_code error;
        fs::remove(scriptPath(plugin_), error);
    }

    std::function<std::unique_ptr<DBus::Connection>()> connect_;
    std::chrono::milliseconds timeout_;
    ::mode_t fileMode_;
    std::chrono::milliseconds retryDelay_;
    fs::path baseFolder_;
    fs::path folder_; // baseFolder_'s folder for this bus
    Report report_;
    std::string plugin_;
    bool heard_ = false; // a state came from this KWin's script
    int stop_;
    std::thread thread_;
};

KWinWindowServer::KWinWindowServer(Options options)
    : options_(std::move(options)), entryNames_(options_.dataFolders) {
    auto folder = options_.scriptFolder.empty() ? privateFolder() : options_.scriptFolder;
    std::error_code error;
    fs::create_directories(folder, error);
    host_ = std::make_unique<ScriptHost>(
        options_, std::move(folder),
        [this](std::optional<KWin::State> state, std::string problem, bool keep) {
            received(std::move(state), std::move(problem), keep);
        });
}

KWinWindowServer::~KWinWindowServer() {
    host_.reset(); // unloads the script before anything it reports to goes
}

void KWinWindowServer::received(std::optional<KWin::State> state, std::string problem, bool keep) {
    {
        std::lock_guard lock(stateMutex_);
        if (!keep) {
            state_ = std::move(state);
        }
        problem_ = std::move(problem);
    }
    stateArrived_.notify_all();
    std::function<void()> observer;
    {
        std::lock_guard lock(observerMutex_);
        observer = observer_;
    }
    if (observer) {
        observer();
    }
}

KWin::State KWinWindowServer::state() {
    std::unique_lock lock(stateMutex_);
    if (!stateArrived_.wait_for(lock, options_.callTimeout,
                                [&] { return state_.has_value() || !problem_.empty(); })) {
        // Until the script speaks, later reads fail at once.
        problem_ = "KWin did not send Deskmap its virtual desktops in time; if this goes on, "
                   "restart KWin.";
    }
    if (state_) {
        return *state_;
    }
    throw WindowServerError(problem_);
}

std::string KWinWindowServer::appName(const KWin::Window& window) {
    if (auto name = entryNames_.name(window.desktopFile)) {
        return *name;
    }
    return window.resourceClass.empty() ? window.desktopFile : window.resourceClass;
}

nlohmann::json KWinWindowServer::copyManagedDisplaySpaces(std::int32_t) {
    const auto current = state();
    std::lock_guard lock(mutex_);
    return lastMap_.tellDisplays(KWin::mapState(current, desktopNumbers_, windowNumbers_).displays);
}

nlohmann::json KWinWindowServer::copyWindowListInfo(std::uint32_t, std::uint32_t) {
    const auto current = state();
    std::lock_guard lock(mutex_);
    lastMap_.keepWindowSpaces(
        KWin::mapState(current, desktopNumbers_, windowNumbers_).windowSpaces);
    return KWin::windowList(current, windowNumbers_, options_.ownProcess.value_or(::getpid()),
                            [this](const KWin::Window& window) { return appName(window); });
}

nlohmann::json KWinWindowServer::copySpacesForWindows(std::int32_t, std::int32_t,
                                                      const nlohmann::json& windowNumbers) {
    std::lock_guard lock(mutex_);
    return lastMap_.spacesForWindows(windowNumbers);
}

std::optional<InputEvent> KWinWindowServer::createEvent() {
    InputEvent event;
    event.location = state().pointer;
    return event;
}

std::vector<std::uint32_t> KWinWindowServer::displaysWithPoint(DisplayPoint point,
                                                               std::uint32_t maximum) {
    const auto current = state();
    std::lock_guard lock(mutex_);
    return lastMap_.displaysWithPoint(
        KWin::mapState(current, desktopNumbers_, windowNumbers_).displays, point, maximum);
}

std::optional<std::string> KWinWindowServer::displayUUID(std::uint32_t display) {
    std::lock_guard lock(mutex_);
    return lastMap_.displayUUID(display);
}

std::uint32_t KWinWindowServer::mainDisplayID() {
    std::lock_guard lock(mutex_);
    return lastMap_.mainDisplayID();
}

void KWinWindowServer::postEvent(std::int32_t, const InputEvent& event) {
    std::optional<bool> forward;
    {
        std::lock_guard lock(mutex_);
        forward = swipes_.feed(event);
    }
    if (!forward) {
        return;
    }
    auto current = state();
    std::lock_guard lock(mutex_);
    try {
        if (!switching_) {
            switching_ = options_.connect();
        }
        // The script speaks a moment after each switch: KWin itself says
        // where the next step starts.
        const auto now = DBus::property(*switching_, kwinName, "/VirtualDesktopManager",
                                        virtualDesktops, "current", options_.callTimeout);
        if (now.is_string()) {
            current.current = now.get<std::string>();
        }
        // Never past either end, whatever KWin's own wrapping setting says.
        const auto target = KWin::neighbouringDesktop(current, *forward);
        if (!target) {
            return;
        }
        switching_->call(
            {kwinName,
             "/VirtualDesktopManager",
             "org.freedesktop.DBus.Properties",
             "Set",
             {std::string(virtualDesktops), std::string("current"), DBus::TextVariant{*target}}},
            options_.callTimeout);
    } catch (const DBus::ConnectionError& error) {
        switching_.reset();
        throw WindowServerError(error.what());
    } catch (const DBus::CallError& error) {
        throw WindowServerError("KWin did not switch desktop (" + peerText(error.what()) + ").");
    }
}

bool KWinWindowServer::isScreenCaptureAccessGranted() {
    try {
        state();
        return true;
    } catch (const WindowServerError&) {
        return false;
    }
}

std::optional<std::string> KWinWindowServer::screenCaptureAccessAdvice() {
    try {
        state();
        return std::nullopt;
    } catch (const WindowServerError& error) {
        return std::string(error.what());
    }
}

void KWinWindowServer::setActiveSpaceObserver(std::function<void()> observer) {
    std::lock_guard lock(observerMutex_);
    observer_ = std::move(observer);
}

} // namespace deskmap::platform
