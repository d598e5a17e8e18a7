#include "DeskmapPlatform/Simulated/SimulatedWindowServer.hpp"

#include "DeskmapPlatform/Simulated/ScenarioError.hpp"

#include <algorithm>
#include <optional>
#include <string>

namespace deskmap::platform {

namespace {

constexpr std::int32_t simulatedConnection = 1;
constexpr double displayExtent = 10'000;

// A display identifier as the window server would read it: text, or a
// whole number's decimal text.
std::optional<std::string> identifierText(const nlohmann::json& value) {
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_number_unsigned()) {
        return std::to_string(value.get<std::uint64_t>());
    }
    if (value.is_number_integer()) {
        return std::to_string(value.get<std::int64_t>());
    }
    return std::nullopt;
}

// Whether a Space dictionary names the Space of `current` by either key.
bool sameSpace(const nlohmann::json& space, const nlohmann::json& current) {
    for (const char* key : {"ManagedSpaceID", "id64"}) {
        const auto a = space.find(key);
        const auto b = current.find(key);
        if (a != space.end() && b != current.end() && *a == *b) {
            return true;
        }
    }
    return false;
}

// The decimal text under which "windowSpaces" records a window, or nothing
// for a value that is not a window number.
std::optional<std::string> windowKey(const nlohmann::json& number) {
    if (number.is_number_unsigned()) {
        return std::to_string(number.get<std::uint64_t>());
    }
    if (number.is_number_integer()) {
        return std::to_string(number.get<std::int64_t>());
    }
    return std::nullopt;
}

} // namespace

SimulatedWindowServer::SimulatedWindowServer(nlohmann::json scenario)
    : scenario_(std::move(scenario)) {
    if (!scenario_.is_object()) {
        throw ScenarioError("a scenario must be a JSON object");
    }
    const auto assignments = scenario_.find("windowSpaces");
    if (assignments != scenario_.end() && !assignments->is_null() && !assignments->is_object()) {
        throw ScenarioError(
            "\"windowSpaces\" must be an object that maps window numbers to Space lists");
    }
    const auto announces = scenario_.find("announcesStructureChanges");
    if (announces != scenario_.end()) {
        if (!announces->is_boolean()) {
            throw ScenarioError("\"announcesStructureChanges\" must be true or false");
        }
        announcesStructureChanges_ = announces->get<bool>();
    }
}

std::int32_t SimulatedWindowServer::mainConnectionID() {
    return simulatedConnection;
}

nlohmann::json SimulatedWindowServer::recorded(const char* key) {
    std::lock_guard lock(mutex_);
    // A read sees every swipe that is due; the notifier still announces it.
    if (applyDueSwipes()) {
        unannounced_ = true;
        swipesChanged_.notify_all();
    }
    const auto found = scenario_.find(key);
    return found == scenario_.end() ? nlohmann::json() : *found;
}

nlohmann::json SimulatedWindowServer::copyManagedDisplaySpaces(std::int32_t) {
    return recorded("managedDisplaySpaces");
}

nlohmann::json SimulatedWindowServer::copyWindowListInfo(std::uint32_t, std::uint32_t) {
    return recorded("windows");
}

nlohmann::json SimulatedWindowServer::copySpacesForWindows(std::int32_t, std::int32_t,
                                                           const nlohmann::json& windowNumbers) {
    std::lock_guard lock(mutex_);
    const auto assignments = scenario_.find("windowSpaces");
    auto spaces = nlohmann::json::array();
    if (!windowNumbers.is_array()) {
        return spaces;
    }
    for (const auto& number : windowNumbers) {
        const auto key = windowKey(number);
        if (!key || assignments == scenario_.end() || !assignments->is_object()) {
            continue;
        }
        const auto recordedSpaces = assignments->find(*key);
        if (recordedSpaces == assignments->end()) {
            continue;
        }
        // A single window gets its recording verbatim, whatever its shape.
        if (windowNumbers.size() == 1) {
            return *recordedSpaces;
        }
        if (recordedSpaces->is_null()) {
            return nullptr;
        }
        if (!recordedSpaces->is_array()) {
            return *recordedSpaces;
        }
        for (const auto& space : *recordedSpaces) {
            if (std::find(spaces.begin(), spaces.end(), space) == spaces.end()) {
                spaces.push_back(space);
            }
        }
    }
    return spaces;
}

std::optional<std::string> SimulatedWindowServer::displayIdentifier(std::uint32_t display) const {
    const auto displays = scenario_.find("managedDisplaySpaces");
    if (displays == scenario_.end() || !displays->is_array() || display < 1 ||
        display > displays->size()) {
        return std::nullopt;
    }
    const auto& entry = (*displays)[display - 1];
    if (!entry.is_object() || !entry.contains("Display Identifier")) {
        return std::nullopt;
    }
    return identifierText(entry["Display Identifier"]);
}

// The number of the display that `key` names ("cursorDisplay",
// "mainDisplay"); the first display when the key is absent, 0 when it names
// no display.
std::uint32_t SimulatedWindowServer::displayNamed(const char* key) const {
    const auto named = scenario_.find(key);
    if (named == scenario_.end() || named->is_null()) {
        return displayIdentifier(1) ? 1 : 0;
    }
    const auto name = identifierText(*named);
    const auto displays = scenario_.find("managedDisplaySpaces");
    const auto count = displays != scenario_.end() && displays->is_array() ? displays->size() : 0;
    for (std::uint32_t display = 1; display <= count; ++display) {
        if (name && displayIdentifier(display) == name) {
            return display;
        }
    }
    return 0;
}

bool SimulatedWindowServer::permission(const char* name, bool fallback) const {
    const auto permissions = scenario_.find("permissions");
    if (permissions == scenario_.end() || !permissions->is_object()) {
        return fallback;
    }
    const auto value = permissions->find(name);
    return value != permissions->end() && value->is_boolean() ? value->get<bool>() : fallback;
}

std::optional<InputEvent> SimulatedWindowServer::createEvent() {
    std::lock_guard lock(mutex_);
    const auto display = displayNamed("cursorDisplay");
    InputEvent event;
    event.location = display == 0
                         ? DisplayPoint{-displayExtent, -displayExtent}
                         : DisplayPoint{(display - 0.5) * displayExtent, displayExtent / 2};
    return event;
}

std::vector<std::uint32_t> SimulatedWindowServer::displaysWithPoint(DisplayPoint point,
                                                                    std::uint32_t maximum) {
    std::lock_guard lock(mutex_);
    if (maximum == 0 || point.x < 0 || point.y < 0 || point.y >= displayExtent) {
        return {};
    }
    const auto display = static_cast<std::uint32_t>(point.x / displayExtent) + 1;
    return displayIdentifier(display) ? std::vector<std::uint32_t>{display}
                                      : std::vector<std::uint32_t>{};
}

std::optional<std::string> SimulatedWindowServer::displayUUID(std::uint32_t display) {
    std::lock_guard lock(mutex_);
    return displayIdentifier(display);
}

std::uint32_t SimulatedWindowServer::mainDisplayID() {
    std::lock_guard lock(mutex_);
    return displayNamed("mainDisplay");
}

void SimulatedWindowServer::postEvent(std::int32_t, const InputEvent& event) {
    std::lock_guard lock(mutex_);
    const auto forward = swipes_.feed(event);
    if (!forward) {
        return;
    }
    const auto accepts = scenario_.find("acceptGestures");
    if (accepts != scenario_.end() && accepts->is_boolean() && !accepts->get<bool>()) {
        return;
    }
    const auto display = displayIdentifier(displayNamed("cursorDisplay"));
    if (!display) {
        return;
    }
    const auto delayValue = scenario_.find("gestureDelayMs");
    const auto delay = delayValue != scenario_.end() && delayValue->is_number()
                           ? std::chrono::milliseconds(delayValue->get<std::int64_t>())
                           : std::chrono::milliseconds(150);
    pendingSwipes_.push_back(
        PendingSwipe{std::chrono::steady_clock::now() + delay, *display, *forward ? 1 : -1});
    if (!notifier_.joinable()) {
        notifier_ = std::thread([this] { runNotifier(); });
    }
    swipesChanged_.notify_all();
}

bool SimulatedWindowServer::applyDueSwipes() {
    const auto now = std::chrono::steady_clock::now();
    bool changed = false;
    while (!pendingSwipes_.empty() && pendingSwipes_.front().due <= now) {
        const auto swipe = pendingSwipes_.front();
        pendingSwipes_.erase(pendingSwipes_.begin());
        changed = moveCurrentSpace(swipe.displayID, swipe.step) || changed;
    }
    return changed;
}

SimulatedWindowServer::~SimulatedWindowServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    swipesChanged_.notify_all();
    if (notifier_.joinable()) {
        notifier_.join();
    }
}

void SimulatedWindowServer::setActiveSpaceObserver(std::function<void()> observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

void SimulatedWindowServer::runNotifier() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (pendingSwipes_.empty() && !unannounced_) {
            swipesChanged_.wait(lock);
            continue;
        }
        if (!unannounced_) {
            swipesChanged_.wait_until(lock, pendingSwipes_.front().due);
        }
        unannounced_ = applyDueSwipes() || unannounced_;
        if (stopping_ || !unannounced_) {
            continue;
        }
        unannounced_ = false;
        if (!observer_) {
            continue;
        }
        // Told without the lock, so the observer may read the desktop.
        auto observer = observer_;
        lock.unlock();
        observer();
        lock.lock();
    }
}

bool SimulatedWindowServer::moveCurrentSpace(const std::string& displayID, int step) {
    auto displays = scenario_.find("managedDisplaySpaces");
    if (displays == scenario_.end() || !displays->is_array()) {
        return false;
    }
    for (auto& display : *displays) {
        if (!display.is_object() || !display.contains("Display Identifier") ||
            identifierText(display["Display Identifier"]) != displayID) {
            continue;
        }
        const auto spaces = display.find("Spaces");
        const auto current = display.find("Current Space");
        if (spaces == display.end() || !spaces->is_array() || current == display.end() ||
            !current->is_object()) {
            return false;
        }
        for (std::size_t position = 0; position < spaces->size(); ++position) {
            if (!(*spaces)[position].is_object() || !sameSpace((*spaces)[position], *current)) {
                continue;
            }
            const auto next = static_cast<std::ptrdiff_t>(position) + step;
            if (next < 0 || next >= static_cast<std::ptrdiff_t>(spaces->size())) {
                return false;
            }
            *current = (*spaces)[static_cast<std::size_t>(next)];
            return true;
        }
        return false;
    }
    return false;
}

bool SimulatedWindowServer::isAccessibilityTrusted() {
    std::lock_guard lock(mutex_);
    return permission("accessibility", true);
}

void SimulatedWindowServer::requestAccessibilityTrust() {
    std::lock_guard lock(mutex_);
    if (permission("grantOnRequest", false)) {
        scenario_["permissions"]["accessibility"] = true;
    }
}

bool SimulatedWindowServer::isScreenCaptureAccessGranted() {
    std::lock_guard lock(mutex_);
    return permission("windowTitles", true);
}

void SimulatedWindowServer::requestScreenCaptureAccess() {
    std::lock_guard lock(mutex_);
    if (permission("grantOnRequest", false)) {
        scenario_["permissions"]["windowTitles"] = true;
    }
}

} // namespace deskmap::platform
