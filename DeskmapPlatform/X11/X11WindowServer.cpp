#include "X11WindowServer.hpp"

#include "DeskmapPlatform/Text/WellFormedUTF8.hpp"
#include "DeskmapPlatform/X11/X11Connection.hpp"
#include "DeskmapPlatform/X11/X11Text.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <unistd.h>

namespace deskmap::platform {

namespace {

constexpr std::uint32_t allDesktops = 0xFFFFFFFF;
// More workspaces than any desktop has; a larger count is not believed.
constexpr std::uint32_t maximumDesktops = 1024;

// Window layers as the window list reports them: only layer 0 holds the
// windows people work in.
constexpr int normalLayer = 0;
constexpr int dockLayer = 20;
constexpr int desktopLayer = -1;
constexpr int auxiliaryLayer = 3; // kept out of pagers and task bars

template <class Reply> struct ReplyDeleter {
    void operator()(Reply* reply) const { std::free(reply); }
};
template <class Reply> using ReplyPointer = std::unique_ptr<Reply, ReplyDeleter<Reply>>;

bool contains(const std::vector<std::uint32_t>& atoms, xcb_atom_t atom) {
    return std::find(atoms.begin(), atoms.end(), atom) != atoms.end();
}

struct PendingWindow {
    xcb_window_t window;
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t position;
    xcb_get_property_cookie_t windowClass;
    xcb_get_property_cookie_t netName;
    xcb_get_property_cookie_t visibleName;
    xcb_get_property_cookie_t name;
    xcb_get_property_cookie_t type;
    xcb_get_property_cookie_t state;
    xcb_get_property_cookie_t opacity;
    xcb_get_property_cookie_t desktop;
    xcb_get_property_cookie_t process;
};

std::optional<std::string> utf8Text(const std::optional<X11Connection::Property>& property) {
    if (!property || property->format != 8 || property->bytes.empty()) {
        return std::nullopt;
    }
    return wellFormedUTF8(property->bytes);
}

// WM_NAME in whichever encoding its type names.
std::optional<std::string> legacyTitle(X11Connection& connection,
                                       const std::optional<X11Connection::Property>& property) {
    if (!property || property->format != 8 || property->bytes.empty()) {
        return std::nullopt;
    }
    if (property->type == connection.ewmh().UTF8_STRING) {
        return wellFormedUTF8(property->bytes);
    }
    if (property->type == connection.compoundTextAtom()) {
        return X11Text::compoundTextToUTF8(property->bytes);
    }
    return X11Text::latin1ToUTF8(property->bytes);
}

// The class part of WM_CLASS ("instance\0class\0"), in Latin-1.
std::optional<std::string> ownerName(const std::optional<X11Connection::Property>& property) {
    if (!property || property->format != 8 || property->bytes.empty()) {
        return std::nullopt;
    }
    const auto& bytes = property->bytes;
    const auto split = bytes.find('\0');
    auto owner = split == std::string::npos ? bytes : bytes.substr(split + 1);
    if (const auto end = owner.find('\0'); end != std::string::npos) {
        owner.erase(end);
    }
    if (owner.empty()) {
        owner = bytes.substr(0, split);
    }
    return owner.empty() ? std::nullopt : std::optional(X11Text::latin1ToUTF8(owner));
}

} // namespace

X11WindowServer::X11WindowServer(std::string display, Hooks hooks)
    : display_(std::move(display)), hooks_(std::move(hooks)) {
    std::lock_guard lock(mutex_);
    connection();
}

X11WindowServer::~X11WindowServer() {
    setActiveSpaceObserver({});
}

bool X11WindowServer::isAvailable(const std::string& display) {
    try {
        X11Connection connection(display);
        return connection.hasEWMHWindowManager();
    } catch (const WindowServerError&) {
        return false;
    }
}

X11Connection& X11WindowServer::connection() {
    if (!connection_ || connection_->failed()) {
        connection_.reset();
        connection_ = std::make_unique<X11Connection>(display_);
    }
    return *connection_;
}

template <class Read> auto X11WindowServer::withConnection(Read read) {
    std::lock_guard lock(mutex_);
    auto& live = connection();
    try {
        return read(live);
    } catch (const WindowServerError&) {
        connection_.reset();
        throw;
    }
}

X11WindowServer::Desktops X11WindowServer::readDesktops(X11Connection& connection) {
    const auto countCookie =
        connection.requestProperty(connection.root(), connection.ewmh()._NET_NUMBER_OF_DESKTOPS);
    const auto currentCookie =
        connection.requestProperty(connection.root(), connection.ewmh()._NET_CURRENT_DESKTOP);
    const auto namesCookie =
        connection.requestProperty(connection.root(), connection.ewmh()._NET_DESKTOP_NAMES);
    const auto count = connection.property(countCookie);
    const auto current = connection.property(currentCookie);
    const auto names = connection.property(namesCookie);
    Desktops desktops;
    // A list of NUL-terminated UTF-8 names, the last terminator optional.
    if (names && names->format == 8 && names->type == connection.ewmh().UTF8_STRING) {
        std::string_view rest(names->bytes.data(), names->bytes.size());
        while (!rest.empty() && desktops.names.size() < maximumDesktops) {
            const auto end = std::min(rest.find('\0'), rest.size());
            desktops.names.push_back(wellFormedUTF8(std::string(rest.substr(0, end))));
            rest.remove_prefix(std::min(end + 1, rest.size()));
        }
    }
    if (count && !count->cardinals().empty() && count->cardinals().front() <= maximumDesktops) {
        desktops.count = count->cardinals().front();
    }
    if (current && !current->cardinals().empty() && current->cardinals().front() < desktops.count) {
        desktops.current = current->cardinals().front();
    }
    return desktops;
}

nlohmann::json X11WindowServer::copyManagedDisplaySpaces(std::int32_t) {
    return withConnection([&](X11Connection& connection) -> nlohmann::json {
        const auto desktops = readDesktops(connection);
        desktopCount_ = desktops.count;
        if (desktops.count == 0) {
            return nullptr; // no EWMH workspaces: nothing to report
        }
        auto spaces = nlohmann::json::array();
        for (std::uint32_t desktop = 0; desktop < desktops.count; ++desktop) {
            spaces.push_back({{"ManagedSpaceID", desktop + 1}, {"id64", desktop + 1}});
            if (desktop < desktops.names.size() && !desktops.names[desktop].empty()) {
                spaces.back()["Space Name"] = desktops.names[desktop];
            }
        }
        nlohmann::json display{{"Display Identifier", connection.identifier()},
                               {"Spaces", std::move(spaces)}};
        if (desktops.current) {
            display["Current Space"] = {{"ManagedSpaceID", *desktops.current + 1}};
        }
        return nlohmann::json::array({std::move(display)});
    });
}

nlohmann::json X11WindowServer::spacesOf(std::uint32_t desktop, std::uint32_t count) const {
    auto spaces = nlohmann::json::array();
    if (desktop == allDesktops) {
        for (std::uint32_t each = 0; each < count; ++each) {
            spaces.push_back(each + 1);
        }
    } else {
        spaces.push_back(static_cast<std::uint64_t>(desktop) + 1);
    }
    return spaces;
}

nlohmann::json X11WindowServer::copyWindowListInfo(std::uint32_t, std::uint32_t) {
    return withConnection([&](X11Connection& connection) -> nlohmann::json {
        auto& ewmh = connection.ewmh();
        const auto root = connection.root();
        const auto clientsCookie = connection.requestProperty(root, ewmh._NET_CLIENT_LIST);
        const auto countCookie = connection.requestProperty(root, ewmh._NET_NUMBER_OF_DESKTOPS);
        const auto clients = connection.property(clientsCookie);
        const auto count = connection.property(countCookie);
        if (count && !count->cardinals().empty()) {
            desktopCount_ = std::min(count->cardinals().front(), maximumDesktops);
        }
        if (!clients) {
            return nlohmann::json::array();
        }
        if (hooks_.afterClientList) {
            hooks_.afterClientList();
        }

        // Every request first, then every reply: one round trip for the lot.
        std::vector<PendingWindow> pending;
        for (const auto window : clients->cardinals()) {
            pending.push_back(PendingWindow{
                window, xcb_get_geometry(connection.connection(), window),
                xcb_translate_coordinates(connection.connection(), window, root, 0, 0),
                connection.requestProperty(window, XCB_ATOM_WM_CLASS),
                connection.requestProperty(window, ewmh._NET_WM_NAME),
                connection.requestProperty(window, ewmh._NET_WM_VISIBLE_NAME),
                connection.requestProperty(window, XCB_ATOM_WM_NAME),
                connection.requestProperty(window, ewmh._NET_WM_WINDOW_TYPE),
                connection.requestProperty(window, ewmh._NET_WM_STATE),
                connection.requestProperty(window, connection.opacityAtom()),
                connection.requestProperty(window, ewmh._NET_WM_DESKTOP),
                connection.requestProperty(window, ewmh._NET_WM_PID)});
        }
        xcb_flush(connection.connection());
        const auto ownProcess = hooks_.ownProcess.value_or(static_cast<std::uint32_t>(::getpid()));

        auto windows = nlohmann::json::array();
        std::map<std::uint32_t, std::optional<std::uint32_t>> desktops;
        for (const auto& request : pending) {
            xcb_generic_error_t* error = nullptr;
            ReplyPointer<xcb_get_geometry_reply_t> geometry(
                xcb_get_geometry_reply(connection.connection(), request.geometry, &error));
            std::free(error);
            error = nullptr;
            ReplyPointer<xcb_translate_coordinates_reply_t> position(
                xcb_translate_coordinates_reply(connection.connection(), request.position, &error));
            std::free(error);
            const auto windowClass = connection.property(request.windowClass);
            const auto netName = connection.property(request.netName);
            const auto visibleName = connection.property(request.visibleName);
            const auto name = connection.property(request.name);
            const auto type = connection.property(request.type);
            const auto state = connection.property(request.state);
            const auto opacity = connection.property(request.opacity);
            const auto desktop = connection.property(request.desktop);
            const auto process = connection.property(request.process);
            if (!geometry || !position) {
                connection.requireAlive();
                continue; // closed since the client list was read
            }
            // The program's own list window is not the user's work. (A pid
            // is only as true as its client says; the worst a liar gets is
            // to leave its own window out.)
            const auto pid = process ? process->cardinals() : std::vector<std::uint32_t>{};
            if (!pid.empty() && pid.front() == ownProcess) {
                continue;
            }

            const auto types = type ? type->cardinals() : std::vector<std::uint32_t>{};
            const auto states = state ? state->cardinals() : std::vector<std::uint32_t>{};
            int layer = normalLayer;
            if (contains(types, ewmh._NET_WM_WINDOW_TYPE_DOCK)) {
                layer = dockLayer;
            } else if (contains(types, ewmh._NET_WM_WINDOW_TYPE_DESKTOP)) {
                layer = desktopLayer;
            } else if (contains(states, ewmh._NET_WM_STATE_SKIP_PAGER) ||
                       contains(states, ewmh._NET_WM_STATE_SKIP_TASKBAR)) {
                layer = auxiliaryLayer;
            }

            nlohmann::json entry{{"kCGWindowLayer", layer},
                                 {"kCGWindowNumber", request.window},
                                 {"kCGWindowBounds",
                                  {{"X", position->dst_x},
                                   {"Y", position->dst_y},
                                   {"Width", geometry->width},
                                   {"Height", geometry->height}}}};
            if (const auto owner = ownerName(windowClass)) {
                entry["kCGWindowOwnerName"] = *owner;
            }
            auto title = utf8Text(netName);
            if (!title) {
                title = utf8Text(visibleName);
            }
            if (!title) {
                title = legacyTitle(connection, name);
            }
            if (title) {
                entry["kCGWindowName"] = *title;
            }
            const auto alpha = opacity ? opacity->cardinals() : std::vector<std::uint32_t>{};
            entry["kCGWindowAlpha"] =
                alpha.empty() ? 1.0 : static_cast<double>(alpha.front()) / 4294967295.0;
            const auto onDesktop = desktop ? desktop->cardinals() : std::vector<std::uint32_t>{};
            desktops[request.window] =
                onDesktop.empty() ? std::nullopt : std::optional(onDesktop.front());
            windows.push_back(std::move(entry));
        }
        windowDesktops_ = std::move(desktops);
        return windows;
    });
}

nlohmann::json X11WindowServer::copySpacesForWindows(std::int32_t, std::int32_t,
                                                     const nlohmann::json& windowNumbers) {
    if (!windowNumbers.is_array()) {
        return nullptr;
    }
    return withConnection([&](X11Connection& connection) -> nlohmann::json {
        auto spaces = nlohmann::json::array();
        for (const auto& number : windowNumbers) {
            if (!number.is_number_unsigned() ||
                number.get<std::uint64_t>() > std::numeric_limits<std::uint32_t>::max()) {
                continue;
            }
            const auto window = number.get<std::uint32_t>();
            std::optional<std::uint32_t> desktop;
            if (const auto known = windowDesktops_.find(window); known != windowDesktops_.end()) {
                desktop = known->second;
            } else {
                const auto property = connection.property(
                    connection.requestProperty(window, connection.ewmh()._NET_WM_DESKTOP));
                if (property && !property->cardinals().empty()) {
                    desktop = property->cardinals().front();
                }
            }
            if (desktop) {
                for (const auto& space : spacesOf(*desktop, desktopCount_)) {
                    spaces.push_back(space);
                }
            }
        }
        return spaces;
    });
}

std::optional<InputEvent> X11WindowServer::createEvent() {
    return withConnection([&](X11Connection& connection) -> std::optional<InputEvent> {
        ReplyPointer<xcb_query_pointer_reply_t> pointer(xcb_query_pointer_reply(
            connection.connection(), xcb_query_pointer(connection.connection(), connection.root()),
            nullptr));
        if (!pointer) {
            connection.requireAlive();
            return std::nullopt;
        }
        InputEvent event;
        event.location = DisplayPoint{static_cast<double>(pointer->root_x),
                                      static_cast<double>(pointer->root_y)};
        return event;
    });
}

std::vector<std::uint32_t> X11WindowServer::displaysWithPoint(DisplayPoint point,
                                                              std::uint32_t maximum) {
    return withConnection([&](X11Connection& connection) -> std::vector<std::uint32_t> {
        const bool inside = point.x >= 0 && point.y >= 0 && point.x < connection.width() &&
                            point.y < connection.height();
        if (!inside || maximum == 0) {
            return {};
        }
        return {displayNumber};
    });
}

std::optional<std::string> X11WindowServer::displayUUID(std::uint32_t display) {
    if (display != displayNumber) {
        return std::nullopt;
    }
    return withConnection([&](X11Connection& connection) { return connection.identifier(); });
}

void X11WindowServer::postEvent(std::int32_t, const InputEvent& event) {
    withConnection([&](X11Connection& connection) {
        const auto forward = swipes_.feed(event);
        if (!forward) {
            return;
        }
        const auto desktops = readDesktops(connection);
        if (!desktops.current) {
            return;
        }
        const auto current = *desktops.current;
        if ((*forward && current + 1 >= desktops.count) || (!*forward && current == 0)) {
            return; // never past either end
        }
        xcb_ewmh_request_change_current_desktop(&connection.ewmh(), connection.screenNumber(),
                                                *forward ? current + 1 : current - 1,
                                                XCB_CURRENT_TIME);
        xcb_flush(connection.connection());
        connection.requireAlive();
    });
}

void X11WindowServer::setActiveSpaceObserver(std::function<void()> observer) {
    // Held while the watcher starts or stops; the watcher never takes it (so
    // this must not be called from the observer).
    std::lock_guard starting(watcherMutex_);
    const bool watching = static_cast<bool>(observer);
    {
        std::lock_guard lock(observerMutex_);
        observer_ = std::move(observer);
    }
    if (watching == watcher_.joinable()) {
        return;
    }
    if (watching) {
        if (::pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
            throw WindowServerError("Could not watch the X server for workspace changes.");
        }
        watcher_ = std::thread([this] { watchActiveSpace(); });
        return;
    }
    const char stop = 1;
    [[maybe_unused]] const auto written = ::write(wakePipe_[1], &stop, 1);
    watcher_.join();
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
    wakePipe_[0] = wakePipe_[1] = -1;
}

void X11WindowServer::notifyObserver() {
    std::function<void()> observer;
    {
        std::lock_guard lock(observerMutex_);
        observer = observer_;
    }
    if (observer) {
        observer();
    }
}

// Listens on a connection of its own for changes of the root window's
// current-desktop, number-of-desktops and desktop-names properties, reconnecting after a
// loss, until woken.
void X11WindowServer::watchActiveSpace() {
    bool reconnected = false;
    for (;;) {
        std::unique_ptr<X11Connection> connection;
        try {
            connection = std::make_unique<X11Connection>(display_);
        } catch (const WindowServerError&) {
        }
        if (connection) {
            const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(connection->connection(), connection->root(),
                                         XCB_CW_EVENT_MASK, &mask);
            xcb_flush(connection->connection());
            if (reconnected) {
                notifyObserver(); // anything may have changed while nobody listened
            }
        }
        for (;;) {
            pollfd watched[2] = {{wakePipe_[0], POLLIN, 0}, {-1, POLLIN, 0}};
            if (connection && !connection->failed()) {
                watched[1].fd = xcb_get_file_descriptor(connection->connection());
            }
            // Without a connection, try again in a second.
            const int ready = ::poll(watched, 2, watched[1].fd < 0 ? 1000 : -1);
            if (ready < 0 && errno != EINTR) {
                return;
            }
            if (watched[0].revents != 0) {
                return; // asked to stop
            }
            if (watched[1].fd < 0) {
                reconnected = true;
                break; // reconnect
            }
            bool changed = false;
            while (auto* event = xcb_poll_for_event(connection->connection())) {
                if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
                    const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
                    const auto& ewmh = connection->ewmh();
                    changed = changed || notify->atom == ewmh._NET_CURRENT_DESKTOP ||
                              notify->atom == ewmh._NET_NUMBER_OF_DESKTOPS ||
                              notify->atom == ewmh._NET_DESKTOP_NAMES;
                }
                std::free(event);
            }
            if (changed) {
                notifyObserver();
            }
            if (connection->failed()) {
                reconnected = true;
                break;
            }
        }
    }
}

} // namespace deskmap::platform
