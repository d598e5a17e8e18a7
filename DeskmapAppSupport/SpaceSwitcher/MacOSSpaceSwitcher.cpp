#include "DeskmapAppSupport/SpaceSwitcher/MacOSSpaceSwitcher.hpp"

#include "DeskmapAppSupport/SpaceSwitcher/SwipeGesture.hpp"
#include "DeskmapAppSupport/Support/DisplayIdentifiers.hpp"
#include "DeskmapPlatform/Runtime/Cancellation.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"
#include "DeskmapPlatform/Runtime/RunOn.hpp"
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
struct MacOSSpaceSwitcher::State : std::enable_shared_from_this<State> {
    asio::any_io_executor executor;
    asio::any_io_executor background;
    std::shared_ptr<SpaceTopologyCollecting> topologyCollector;
    std::shared_ptr<SpaceSwitchAccessibilityChecking> accessibility;
    DisplayIDProvider displayIDProvider;
    GesturePoster gesturePoster;
    SpaceSwitchTiming timing;
    CompletionHandler onCompletion;
    runtime::Task<void> sequenceTask;
    bool isSwitching = false;
    bool answering = false; // a request is reading the window server
    bool abandoned = false; // the switcher is gone

    // Nothing when the read fails; a cancellation passes through.
    asio::awaitable<std::optional<SpaceTopology>> topology() {
        auto reading = runtime::callOn(background, [collector = topologyCollector] {
            try {
                return std::optional(collector->collectTopology());
            } catch (const std::exception&) {
                return std::optional<SpaceTopology>();
            }
        });
        co_return co_await std::move(reading);
    }

    // A poster or cursor lookup that throws (the window-server connection
    // dropped mid-switch) counts as a rejected gesture or an unknown cursor
    // display, never as a sequence that dies without its completion.
    asio::awaitable<bool> postGesture(SpaceSwitchDirection direction) {
        auto posting = runtime::callOn(background, [poster = gesturePoster, direction] {
            try {
                return poster(direction);
            } catch (const std::exception&) {
                return false;
            }
        });
        co_return co_await std::move(posting);
    }

    asio::awaitable<std::vector<std::string>> cursorDisplayIDs() {
        auto looking = runtime::callOn(background, [provider = displayIDProvider] {
            try {
                return provider();
            } catch (const std::exception&) {
                return std::vector<std::string>();
            }
        });
        co_return co_await std::move(looking);
    }

    bool isGranted() {
        try {
            return accessibility->isGranted();
        } catch (const std::exception&) {
            return false;
        }
    }

    asio::awaitable<void> pause(std::chrono::steady_clock::duration duration) {
        auto pausing = runtime::sleepFor(duration, background);
        co_await std::move(pausing);
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
                auto pausing = pause(timing.pollInterval);
                co_await std::move(pausing);
            } catch (const runtime::CancellationError&) {
                co_return TimedOut{};
            }
            auto reading = topology();
            const auto current = co_await std::move(reading);
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

    asio::awaitable<SpaceSwitchRequestResult> answer(const std::string& spaceID,
                                                     std::optional<std::size_t> shownSpaceCount) {
        auto looking = cursorDisplayIDs();
        const auto cursorIDs = co_await std::move(looking);
        if (cursorIDs.empty()) {
            co_return SpaceSwitchRequestResult::unavailable;
        }
        auto reading = topology();
        const auto current = co_await std::move(reading);
        if (!current) {
            co_return SpaceSwitchRequestResult::unavailable;
        }
        if (shownSpaceCount && *shownSpaceCount != current->spaceIDs.size()) {
            co_return SpaceSwitchRequestResult::mapChanged;
        }
        const auto planned = SpaceSwitchPlanner::plan(spaceID, *current, cursorIDs);
        if (std::holds_alternative<SpaceSwitchPlanningResult::AlreadyActive>(planned.outcome)) {
            co_return SpaceSwitchRequestResult::alreadyActive;
        }
        if (std::holds_alternative<SpaceSwitchPlanningResult::TargetNotOnDisplay>(
                planned.outcome)) {
            co_return SpaceSwitchRequestResult::targetNotOnDisplay;
        }
        const auto* plan = planned.plan();
        if (plan == nullptr) {
            co_return SpaceSwitchRequestResult::unavailable;
        }
        if (!isGranted()) {
            try {
                accessibility->request();
            } catch (const std::exception&) {
                // The answer is the same: the permission is missing.
            }
            co_return SpaceSwitchRequestResult::needsAccessibility;
        }
        auto posting = postGesture(plan->direction);
        if (!co_await std::move(posting)) {
            co_return SpaceSwitchRequestResult::unavailable;
        }
        if (abandoned) {
            co_return SpaceSwitchRequestResult::unavailable;
        }
        isSwitching = true;
        const auto budget = std::max(plan->minimumSteps + spareGestures, minimumGestureBudget);
        sequenceTask = runtime::Task<void>::spawn(
            executor, sequence(shared_from_this(), spaceID, plan->displayID, plan->currentSpaceID,
                               budget - 1));
        co_return SpaceSwitchRequestResult::started;
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
                auto recovering = self->pause(self->timing.recoveryDelay);
                co_await std::move(recovering);
                self->isSwitching = false;
                self->sequenceTask = {};
                co_return;
            }

            auto settling = self->pause(self->timing.settleDelay);
            co_await std::move(settling);
            if (remainingGestures < 1) {
                self->finish(SpaceSwitchCompletion::timedOut);
                co_return;
            }
            auto reading = self->topology();
            const auto current = co_await std::move(reading);
            co_await runtime::checkCancellation();
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
            bool posted = false;
            if (self->isGranted()) {
                auto posting = self->postGesture(plan->direction);
                posted = co_await std::move(posting);
                co_await runtime::checkCancellation();
            }
            if (!posted) {
                self->finish(SpaceSwitchCompletion::gestureFailed);
                co_return;
            }
            --remainingGestures;
            previous = plan->currentSpaceID;
        }
    }
};

MacOSSpaceSwitcher::MacOSSpaceSwitcher(
    asio::any_io_executor mainExecutor, asio::any_io_executor background,
    std::shared_ptr<SpaceTopologyCollecting> topologyCollector,
    std::shared_ptr<SpaceSwitchAccessibilityChecking> accessibility,
    DisplayIDProvider displayIDProvider, GesturePoster gesturePoster, SpaceSwitchTiming timing)
    : state_(std::make_shared<State>()) {
    state_->executor = std::move(mainExecutor);
    state_->background = std::move(background);
    state_->topologyCollector = std::move(topologyCollector);
    state_->accessibility = std::move(accessibility);
    state_->displayIDProvider = std::move(displayIDProvider);
    state_->gesturePoster = std::move(gesturePoster);
    state_->timing = timing;
}

MacOSSpaceSwitcher::MacOSSpaceSwitcher(
    asio::any_io_executor mainExecutor, asio::any_io_executor background,
    std::shared_ptr<SpaceTopologyCollecting> topologyCollector,
    std::shared_ptr<SpaceSwitchAccessibilityChecking> accessibility,
    std::shared_ptr<platform::WindowServer> windowServer, SpaceSwitchTiming timing)
    : MacOSSpaceSwitcher(
          std::move(mainExecutor), std::move(background), std::move(topologyCollector),
          std::move(accessibility),
          [windowServer] { return SwipeGesture::cursorDisplayIDs(*windowServer); },
          [windowServer](SpaceSwitchDirection direction) {
              return SwipeGesture::post(*windowServer, direction);
          },
          timing) {}

MacOSSpaceSwitcher::~MacOSSpaceSwitcher() {
    state_->onCompletion = nullptr;
    state_->abandoned = true;
    if (state_->sequenceTask.valid()) {
        state_->sequenceTask.cancel();
    }
}

asio::awaitable<void> MacOSSpaceSwitcher::stop() {
    const auto state = state_;
    state->onCompletion = nullptr;
    state->abandoned = true;
    if (!state->sequenceTask.valid()) {
        co_return;
    }
    const auto sequence = state->sequenceTask;
    sequence.cancel();
    try {
        auto ending = sequence.value();
        co_await std::move(ending);
    } catch (...) {
        // Cancelled, as asked.
    }
}

void MacOSSpaceSwitcher::setOnCompletion(CompletionHandler handler) {
    state_->onCompletion = std::move(handler);
}

bool MacOSSpaceSwitcher::isSwitching() const {
    return state_->isSwitching;
}

asio::awaitable<SpaceSwitchRequestResult>
MacOSSpaceSwitcher::switchTo(std::string spaceID, std::optional<std::size_t> shownSpaceCount) {
    auto state = state_;
    if (state->isSwitching || state->answering) {
        co_return SpaceSwitchRequestResult::inProgress;
    }
    state->answering = true;
    std::optional<SpaceSwitchRequestResult> result;
    std::exception_ptr failure;
    try {
        auto answering = state->answer(spaceID, shownSpaceCount);
        result = co_await std::move(answering);
    } catch (...) {
        failure = std::current_exception();
    }
    state->answering = false;
    if (failure) {
        std::rethrow_exception(failure); // only a cancellation gets here
    }
    co_return *result;
}
} // namespace deskmap
