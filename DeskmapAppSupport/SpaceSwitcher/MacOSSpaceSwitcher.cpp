#include "DeskmapAppSupport/SpaceSwitcher/MacOSSpaceSwitcher.hpp"

#include "DeskmapAppSupport/SpaceSwitcher/SwipeGesture.hpp"
#include "DeskmapAppSupport/Support/DisplayIdentifiers.hpp"
#include "DeskmapPlatform/Runtime/Cancellation.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"
#include "DeskmapPlatform/Runtime/Task.hpp"

#include <algorithm>
#include <optional>
#include <variant>

namespace deskmap {

namespace {

struct Reached {};
struct TargetGone {};
struct TimedOut {};
struct Moved {
    std::string currentSpaceID;
};
using TransitionObservation = std::variant<Reached, TargetGone, TimedOut, Moved>;

constexpr std::int64_t minimumGestureBudget = 5;
constexpr std::int64_t spareGestures = 3;

} // namespace

// Everything a sequence needs. The sequence holds it strongly, so it stays
// valid after the switcher is gone; the switcher's destructor cancels the
// sequence and clears the completion handler, so nothing is reported then.
struct MacOSSpaceSwitcher::State {
    asio::any_io_executor executor;
    std::shared_ptr<SpaceTopologyCollecting> topologyCollector;
    std::shared_ptr<SpaceSwitchAccessibilityChecking> accessibility;
    DisplayIDProvider displayIDProvider;
    GesturePoster gesturePoster;
    SpaceSwitchTiming timing;
    CompletionHandler onCompletion;
    runtime::Task<void> sequenceTask;
    bool isSwitching = false;

    std::optional<SpaceTopology> topology() {
        try {
            return topologyCollector->collectTopology();
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }

    // A poster or permission check that throws (the window-server connection
    // dropped mid-switch) counts as a rejected gesture, never as a sequence
    // that dies without its completion.
    bool postGesture(SpaceSwitchDirection direction) {
        try {
            return gesturePoster(direction);
        } catch (const std::exception&) {
            return false;
        }
    }

    bool isGranted() {
        try {
            return accessibility->isGranted();
        } catch (const std::exception&) {
            return false;
        }
    }

    std::vector<std::string> cursorDisplayIDs() {
        try {
            return displayIDProvider();
        } catch (const std::exception&) {
            return {};
        }
    }

    void finish(SpaceSwitchCompletion completion) {
        isSwitching = false;
        sequenceTask = {};
        if (onCompletion) {
            onCompletion(completion);
        }
    }

    asio::awaitable<TransitionObservation> waitForTransition(const std::string& target,
                                                             const std::string& displayID,
                                                             const std::string& previous) {
        const auto deadline = std::chrono::steady_clock::now() + timing.transitionTimeout;
        for (;;) {
            try {
                auto pausing = runtime::sleepFor(timing.pollInterval);
                co_await std::move(pausing);
            } catch (const runtime::CancellationError&) {
                co_return TimedOut{};
            }
            const auto current = topology();
            if (!current) {
                co_return TargetGone{};
            }
            const auto display = std::find_if(
                current->displays.begin(), current->displays.end(),
                [&](const auto& entry) { return sameDisplayID(entry.displayID, displayID); });
            if (display == current->displays.end() ||
                std::find(display->spaceIDs.begin(), display->spaceIDs.end(), target) ==
                    display->spaceIDs.end()) {
                co_return TargetGone{};
            }
            if (display->currentSpaceID == target) {
                co_return Reached{};
            }
            if (display->currentSpaceID != previous) {
                co_return Moved{display->currentSpaceID};
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                co_return TimedOut{};
            }
        }
    }

    // Runs until the target is reached or the sequence gives up. A
    // cancellation ends it without a completion.
    static asio::awaitable<void> sequence(std::shared_ptr<State> self, std::string target,
                                          std::string displayID, std::string previous,
                                          std::int64_t remainingGestures) {
        for (;;) {
            co_await runtime::checkCancellation();
            auto waiting = self->waitForTransition(target, displayID, previous);
            const auto observation = co_await std::move(waiting);
            co_await runtime::checkCancellation();

            if (std::holds_alternative<Reached>(observation)) {
                self->finish(SpaceSwitchCompletion::reachedTarget);
                co_return;
            }
            if (std::holds_alternative<TargetGone>(observation)) {
                self->finish(SpaceSwitchCompletion::targetUnavailable);
                co_return;
            }
            if (std::holds_alternative<TimedOut>(observation)) {
                // Reported at once; the switcher stays busy a little longer
                // so a late transition is not mistaken for a new request's.
                if (self->onCompletion) {
                    self->onCompletion(SpaceSwitchCompletion::timedOut);
                }
                auto recovering = runtime::sleepFor(self->timing.recoveryDelay);
                co_await std::move(recovering);
                self->isSwitching = false;
                self->sequenceTask = {};
                co_return;
            }

            auto settling = runtime::sleepFor(self->timing.settleDelay);
            co_await std::move(settling);
            if (remainingGestures < 1) {
                self->finish(SpaceSwitchCompletion::timedOut);
                co_return;
            }
            const auto current = self->topology();
            if (!current) {
                self->finish(SpaceSwitchCompletion::targetUnavailable);
                co_return;
            }
            const auto planned = SpaceSwitchPlanner::plan(target, *current, displayID);
            if (std::holds_alternative<SpaceSwitchPlanningResult::AlreadyActive>(planned.outcome)) {
                self->finish(SpaceSwitchCompletion::reachedTarget);
                co_return;
            }
            const auto* plan = planned.plan();
            if (plan == nullptr) {
                self->finish(SpaceSwitchCompletion::targetUnavailable);
                co_return;
            }
            if (!self->isGranted() || !self->postGesture(plan->direction)) {
                self->finish(SpaceSwitchCompletion::gestureFailed);
                co_return;
            }
            --remainingGestures;
            previous = plan->currentSpaceID;
        }
    }
};

MacOSSpaceSwitcher::MacOSSpaceSwitcher(
    asio::any_io_executor mainExecutor, std::shared_ptr<SpaceTopologyCollecting> topologyCollector,
    std::shared_ptr<SpaceSwitchAccessibilityChecking> accessibility,
    DisplayIDProvider displayIDProvider, GesturePoster gesturePoster, SpaceSwitchTiming timing)
    : state_(std::make_shared<State>()) {
    state_->executor = std::move(mainExecutor);
    state_->topologyCollector = std::move(topologyCollector);
    state_->accessibility = std::move(accessibility);
    state_->displayIDProvider = std::move(displayIDProvider);
    state_->gesturePoster = std::move(gesturePoster);
    state_->timing = timing;
}

MacOSSpaceSwitcher::MacOSSpaceSwitcher(
    asio::any_io_executor mainExecutor, std::shared_ptr<SpaceTopologyCollecting> topologyCollector,
    std::shared_ptr<SpaceSwitchAccessibilityChecking> accessibility,
    std::shared_ptr<platform::WindowServer> windowServer)
    : MacOSSpaceSwitcher(
          std::move(mainExecutor), std::move(topologyCollector), std::move(accessibility),
          [windowServer] { return SwipeGesture::cursorDisplayIDs(*windowServer); },
          [windowServer](SpaceSwitchDirection direction) {
              return SwipeGesture::post(*windowServer, direction);
          }) {}

MacOSSpaceSwitcher::~MacOSSpaceSwitcher() {
    state_->onCompletion = nullptr;
    if (state_->sequenceTask.valid()) {
        state_->sequenceTask.cancel();
    }
}

void MacOSSpaceSwitcher::setOnCompletion(CompletionHandler handler) {
    state_->onCompletion = std::move(handler);
}

bool MacOSSpaceSwitcher::isSwitching() const {
    return state_->isSwitching;
}

SpaceSwitchRequestResult MacOSSpaceSwitcher::switchTo(const std::string& spaceID) {
    auto& state = *state_;
    if (state.isSwitching) {
        return SpaceSwitchRequestResult::inProgress;
    }
    const auto cursorDisplayIDs = state.cursorDisplayIDs();
    if (cursorDisplayIDs.empty()) {
        return SpaceSwitchRequestResult::unavailable;
    }
    const auto topology = state.topology();
    if (!topology) {
        return SpaceSwitchRequestResult::unavailable;
    }
    const auto planned = SpaceSwitchPlanner::plan(spaceID, *topology, cursorDisplayIDs);
    if (std::holds_alternative<SpaceSwitchPlanningResult::AlreadyActive>(planned.outcome)) {
        return SpaceSwitchRequestResult::alreadyActive;
    }
    if (std::holds_alternative<SpaceSwitchPlanningResult::TargetNotOnDisplay>(planned.outcome)) {
        return SpaceSwitchRequestResult::targetNotOnDisplay;
    }
    const auto* plan = planned.plan();
    if (plan == nullptr) {
        return SpaceSwitchRequestResult::unavailable;
    }
    if (!state.isGranted()) {
        state.accessibility->request();
        return SpaceSwitchRequestResult::needsAccessibility;
    }
    if (!state.postGesture(plan->direction)) {
        return SpaceSwitchRequestResult::unavailable;
    }
    state.isSwitching = true;
    const auto budget = std::max(plan->minimumSteps + spareGestures, minimumGestureBudget);
    state.sequenceTask = runtime::Task<void>::spawn(
        state.executor,
        State::sequence(state_, spaceID, plan->displayID, plan->currentSpaceID, budget - 1));
    return SpaceSwitchRequestResult::started;
}

} // namespace deskmap
