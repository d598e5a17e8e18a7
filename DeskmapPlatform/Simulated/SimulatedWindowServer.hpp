#pragma once

#include "DeskmapPlatform/Gestures/SwipeGestureEncoding.hpp"
#include "DeskmapPlatform/WindowServer.hpp"

#include <nlohmann/json.hpp>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace deskmap::platform {

// A window server that answers from a recorded scenario: a JSON object whose
// "managedDisplaySpaces" and "windows" are what the two copy calls return
// (missing or null: the call returns null) and whose "windowSpaces" maps a
// window number, as decimal text, to what the assignment call returns for it
// (missing: an empty array; null: null). The recorded answers are handed out
// untouched, malformed ones included, so callers see exactly what a real
// window server could send.
//
// Display n (1-based, in "managedDisplaySpaces" order) covers x from
// (n-1)*10000 to n*10000 and y from 0 to 10000; the cursor sits in the middle
// of "cursorDisplay" (default: the first display). A posted swipe gesture
// (three events with field 132 = 1, 2, 4; the sign of field 129 gives the
// direction) moves the cursor display's current Space one step after
// "gestureDelayMs" (default 150), never past either end of its list, unless
// "acceptGestures" is false. "permissions.accessibility" (default true)
// answers the trust check; "permissions.grantOnRequest" makes the prompt
// grant it.
class SimulatedWindowServer final : public WindowServer {
public:
    // Throws ScenarioError when `scenario` is not usable as a scenario.
    explicit SimulatedWindowServer(nlohmann::json scenario);
    ~SimulatedWindowServer() override;
    SimulatedWindowServer(const SimulatedWindowServer&) = delete;
    SimulatedWindowServer& operator=(const SimulatedWindowServer&) = delete;

    std::int32_t mainConnectionID() override;
    nlohmann::json copyManagedDisplaySpaces(std::int32_t connection) override;
    nlohmann::json copySpacesForWindows(std::int32_t connection, std::int32_t spaceMask,
                                        const nlohmann::json& windowNumbers) override;
    nlohmann::json copyWindowListInfo(std::uint32_t option,
                                      std::uint32_t relativeToWindow) override;
    std::optional<InputEvent> createEvent() override;
    std::vector<std::uint32_t> displaysWithPoint(DisplayPoint point,
                                                 std::uint32_t maximum) override;
    std::optional<std::string> displayUUID(std::uint32_t display) override;
    std::uint32_t mainDisplayID() override;
    void postEvent(std::int32_t tap, const InputEvent& event) override;
    bool isAccessibilityTrusted() override;
    void requestAccessibilityTrust() override;
    bool isScreenCaptureAccessGranted() override;
    void requestScreenCaptureAccess() override;
    void setActiveSpaceObserver(std::function<void()> observer) override;
    // A scenario's Spaces never come or go, so there is nothing to poll for;
    // "announcesStructureChanges": false makes it a desktop that says
    // nothing of them.
    bool announcesStructureChanges() const override { return announcesStructureChanges_; }

private:
    struct PendingSwipe {
        std::chrono::steady_clock::time_point due;
        std::string displayID;
        int step; // +1 right, -1 left
    };

    nlohmann::json recorded(const char* key);
    // Callers hold the mutex. True when a current Space changed.
    bool applyDueSwipes();
    bool moveCurrentSpace(const std::string& displayID, int step);
    // Applies swipes when they fall due and tells the observer.
    void runNotifier();
    std::optional<std::string> displayIdentifier(std::uint32_t display) const;
    std::uint32_t displayNamed(const char* key) const;
    bool permission(const char* name, bool fallback) const;

    mutable std::mutex mutex_;
    nlohmann::json scenario_;
    SwipeGestureEncoding::Decoder swipes_;
    std::vector<PendingSwipe> pendingSwipes_;
    bool unannounced_ = false; // a Space changed and the observer was not told yet
    std::function<void()> observer_;
    std::condition_variable swipesChanged_;
    bool stopping_ = false;
    bool announcesStructureChanges_ = true;
    std::thread notifier_; // started with the first swipe
};

} // namespace deskmap::platform
