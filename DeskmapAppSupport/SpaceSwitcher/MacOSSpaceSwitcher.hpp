#pragma once

#include "DeskmapAppSupport/SpaceSwitcher/SpaceSwitchAccessibility.hpp"
#include "DeskmapAppSupport/SpaceSwitcher/SpaceSwitchOutcome.hpp"
#include "DeskmapAppSupport/SpaceSwitcher/SpaceSwitchPlanner.hpp"
#include "DeskmapCore/Collection/SpaceTopologyCollecting.hpp"
#include "DeskmapPlatform/WindowServer.hpp"

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace deskmap {

struct SpaceSwitchTiming {
    std::chrono::steady_clock::duration pollInterval = std::chrono::milliseconds(80);
    std::chrono::steady_clock::duration transitionTimeout = std::chrono::milliseconds(1500);
    std::chrono::steady_clock::duration settleDelay = std::chrono::milliseconds(300);
    std::chrono::steady_clock::duration recoveryDelay = std::chrono::milliseconds(1000);
};

// Moves the display under the cursor to a Space by posting one swipe per
// step and watching the topology until the target is current. Used on the
// main executor only: switchTo, the sequence and onCompletion all run there,
// while every window-server call (topology reads, the cursor lookup, the
// gestures) and every pause runs on `background`, so the main thread never
// waits for the window server. Destroying the switcher cancels a running
// sequence without a completion.
class MacOSSpaceSwitcher {
public:
    using DisplayIDProvider = std::function<std::vector<std::string>()>;
    using GesturePoster = std::function<bool(SpaceSwitchDirection)>;
    using CompletionHandler = std::function<void(SpaceSwitchCompletion)>;

    // `background` must keep timers (an io_context's or a thread pool's).
    MacOSSpaceSwitcher(asio::any_io_executor mainExecutor, asio::any_io_executor background,
                       std::shared_ptr<SpaceTopologyCollecting> topologyCollector,
                       std::shared_ptr<SpaceSwitchAccessibilityChecking> accessibility,
                       DisplayIDProvider displayIDProvider, GesturePoster gesturePoster,
                       SpaceSwitchTiming timing = {});

    // The cursor display and the swipe poster of `windowServer`.
    MacOSSpaceSwitcher(asio::any_io_executor mainExecutor, asio::any_io_executor background,
                       std::shared_ptr<SpaceTopologyCollecting> topologyCollector,
                       std::shared_ptr<SpaceSwitchAccessibilityChecking> accessibility,
                       std::shared_ptr<platform::WindowServer> windowServer,
                       SpaceSwitchTiming timing = {});

    ~MacOSSpaceSwitcher();
    MacOSSpaceSwitcher(const MacOSSpaceSwitcher&) = delete;
    MacOSSpaceSwitcher& operator=(const MacOSSpaceSwitcher&) = delete;

    // Answers once the window server has been read and the first gesture
    // posted; after `started`, onCompletion is told exactly once how the
    // sequence ended. A request made while another is being answered or a
    // sequence runs gets `inProgress`. Awaited on the main executor.
    // `shownSpaceCount`, when given, is how many Spaces the list that was
    // clicked showed: another number now refuses the switch (mapChanged).
    asio::awaitable<SpaceSwitchRequestResult>
    switchTo(std::string spaceID, std::optional<std::size_t> shownSpaceCount = std::nullopt);

    // Cancels a running sequence (no completion is reported) and returns
    // once it has ended, so nothing of it waits on the background executor.
    asio::awaitable<void> stop();

    void setOnCompletion(CompletionHandler handler);
    bool isSwitching() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace deskmap
