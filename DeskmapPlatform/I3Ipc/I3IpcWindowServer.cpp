#include "I3IpcWindowServer.hpp"

#include "DeskmapPlatform/I3Ipc/I3IpcEventWatch.hpp"

#include <nlohmann/json.hpp>

#include <limits>
#include <unistd.h>

namespace deskmap::platform {

namespace {

// How long the tree read with the Spaces stands for the window list: long
// enough for the collection it was read for, too short to mislead a later one.
constexpr auto pendingTreeLife = std::chrono::seconds(1);

// Window layers as the window list reports them: only the normal one holds
// the windows people work in.
constexpr int normalLayer = 0;
constexpr int auxiliaryLayer = 3;

} // namespace

I3IpcWindowServer::I3IpcWindowServer(Options options) : options_(std::move(options)) {
    std::lock_guard lock(mutex_);
    connection();
}

I3IpcWindowServer::~I3IpcWindowServer() {
    setActiveSpaceObserver({});
}

I3Ipc::Connection& I3IpcWindowServer::connection() {
    if (!connection_ || connection_->descriptor() < 0) {
        connection_.reset();
        const auto path = options_.locateSocket ? options_.locateSocket() : std::nullopt;
        if (!path) {
            throw WindowServerError(options_.noSocketMessage);
        }
        connection_ = std::make_unique<I3Ipc::Connection>(*path, options_.limits);
    }
    return *connection_;
}

std::vector<std::string> I3IpcWindowServer::exchange(
    const std::vector<std::pair<I3Ipc::MessageType, std::string>>& requests) {
    try {
        return connection().exchange(requests);
    } catch (const WindowServerError&) {
        connection_.reset();
        throw;
    } catch (const std::bad_alloc&) {
        connection_.reset(); // in the middle of a message
        throw WindowServerError("The window manager sent more than could be read.");
    }
}

I3Ipc::Layout I3IpcWindowServer::readCurrentLayout(bool withTree) {
    std::vector<std::pair<I3Ipc::MessageType, std::string>> requests{
        {I3Ipc::MessageType::getOutputs, {}}, {I3Ipc::MessageType::getWorkspaces, {}}};
    if (withTree) {
        requests.emplace_back(I3Ipc::MessageType::getTree, std::string());
    }
    auto replies = exchange(requests);
    auto layout = I3Ipc::readLayout(replies[0], replies[1]);
    pendingTree_.reset();
    if (withTree) {
        pendingTree_ = PendingTree{std::move(replies[2]), std::chrono::steady_clock::now()};
    }
    for (const auto& output : layout.outputs) {
        displayNumber(output);
    }
    mainDisplay_ = layout.outputs.empty() ? std::nullopt
                                          : std::optional(displayNumber(layout.outputs.front()));
    return layout;
}

std::uint32_t I3IpcWindowServer::displayNumber(const I3Ipc::Output& output) {
    const auto [entry, added] = displayNumbers_.try_emplace(
        output.identifier, static_cast<std::uint32_t>(displayNumbers_.size() + 1));
    return entry->second;
}

nlohmann::json I3IpcWindowServer::copyManagedDisplaySpaces(std::int32_t) {
    std::lock_guard lock(mutex_);
    // The tree goes out with the other two requests, for the window list
    // that follows in the same collection: one round trip, one moment.
    return I3Ipc::displaySpaces(readCurrentLayout(true));
}

nlohmann::json I3IpcWindowServer::copyWindowListInfo(std::uint32_t, std::uint32_t) {
    std::lock_guard lock(mutex_);
    std::string tree;
    if (pendingTree_ && std::chrono::steady_clock::now() - pendingTree_->read < pendingTreeLife) {
        tree = std::move(pendingTree_->reply);
    } else {
        tree = exchange({{I3Ipc::MessageType::getTree, {}}}).front();
    }
    pendingTree_.reset();
    const auto windows = I3Ipc::readWindows(tree);

    const auto ownProcess = options_.ownProcess.value_or(::getpid());
    std::unordered_map<std::uint64_t, std::uint32_t> numbers;
    std::unordered_map<std::uint32_t, std::uint64_t> workspaces;
    auto list = nlohmann::json::array();
    for (const auto& window : windows) {
        auto number = windowNumbers_.find(window.node);
        const auto assigned = number != windowNumbers_.end() ? number->second : nextWindowNumber_++;
        numbers.emplace(window.node, assigned);
        workspaces.emplace(assigned, window.workspace);

        // This program's own window (the Space list where no tray shows
        // it) is no work of the user's: it goes on a layer of its own, as
        // the panels do.
        const bool own = window.process == ownProcess;
        nlohmann::json entry{{"kCGWindowLayer", own ? auxiliaryLayer : normalLayer},
                             {"kCGWindowNumber", assigned},
                             {"kCGWindowBounds",
                              {{"X", window.bounds.x},
                               {"Y", window.bounds.y},
                               {"Width", window.bounds.width},
                               {"Height", window.bounds.height}}}};
        if (window.owner) {
            entry["kCGWindowOwnerName"] = *window.owner;
        }
        if (window.title) {
            entry["kCGWindowName"] = *window.title;
        }
        list.push_back(std::move(entry));
    }
    // Windows no longer seen give their numbers up.
    windowNumbers_ = std::move(numbers);
    windowWorkspaces_ = std::move(workspaces);
    return list;
}

nlohmann::json I3IpcWindowServer::copySpacesForWindows(std::int32_t, std::int32_t,
                                                       const nlohmann::json& windowNumbers) {
    if (!windowNumbers.is_array()) {
        return nullptr;
    }
    std::lock_guard lock(mutex_);
    auto spaces = nlohmann::json::array();
    for (const auto& number : windowNumbers) {
        if (!number.is_number_unsigned() ||
            number.get<std::uint64_t>() > std::numeric_limits<std::uint32_t>::max()) {
            continue;
        }
        const auto found = windowWorkspaces_.find(number.get<std::uint32_t>());
        if (found != windowWorkspaces_.end()) {
            spaces.push_back(found->second);
        }
    }
    return spaces;
}

std::optional<InputEvent> I3IpcWindowServer::createEvent() {
    std::lock_guard lock(mutex_);
    const auto layout = readCurrentLayout();
    const auto* focused = layout.focusedOutput();
    if (!focused) {
        return std::nullopt;
    }
    // The "cursor" stands for the focused output: the middle of it.
    InputEvent event;
    event.location = DisplayPoint{focused->rect.x + focused->rect.width / 2.0,
                                  focused->rect.y + focused->rect.height / 2.0};
    return event;
}

std::vector<std::uint32_t> I3IpcWindowServer::displaysWithPoint(DisplayPoint point,
                                                                std::uint32_t maximum) {
    std::lock_guard lock(mutex_);
    const auto layout = readCurrentLayout();
    std::vector<std::uint32_t> displays;
    // Outputs may overlap (mirroring): the focused one comes first.
    const auto* focused = layout.focusedOutput();
    if (focused && focused->rect.contains(point) && displays.size() < maximum) {
        displays.push_back(displayNumber(*focused));
    }
    for (const auto& output : layout.outputs) {
        if (&output != focused && output.rect.contains(point) && displays.size() < maximum) {
            displays.push_back(displayNumber(output));
        }
    }
    return displays;
}

std::optional<std::string> I3IpcWindowServer::displayUUID(std::uint32_t display) {
    std::lock_guard lock(mutex_);
    for (const auto& [identifier, number] : displayNumbers_) {
        if (number == display) {
            return identifier;
        }
    }
    return std::nullopt;
}

std::uint32_t I3IpcWindowServer::mainDisplayID() {
    std::lock_guard lock(mutex_);
    return mainDisplay_.value_or(0);
}

void I3IpcWindowServer::postEvent(std::int32_t, const InputEvent& event) {
    std::lock_guard lock(mutex_);
    const auto forward = swipes_.feed(event);
    if (!forward) {
        return;
    }
    const auto layout = readCurrentLayout();
    const auto* focused = layout.focusedOutput();
    if (!focused) {
        return;
    }
    // Never past either end, unlike the window manager's own "next".
    const auto target = I3Ipc::neighbouringWorkspace(layout, focused->name, *forward);
    if (!target) {
        return;
    }
    const auto command = I3Ipc::showWorkspaceCommand(layout, *target);
    if (!command ||
        !I3Ipc::commandsSucceeded(exchange({{I3Ipc::MessageType::runCommand, *command}}).front())) {
        throw WindowServerError("The window manager refused to show workspace \"" + target->name +
                                "\".");
    }
}

void I3IpcWindowServer::setActiveSpaceObserver(std::function<void()> observer) {
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
    watch_ = std::make_unique<I3Ipc::EventWatch>(options_.locateSocket, options_.limits,
                                                 options_.retryDelay, [this] { notifyObserver(); });
}

void I3IpcWindowServer::notifyObserver() {
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
