#include "DeskmapAppSupport/SpaceSwitcher/MacOSSpaceSwitcher.hpp"
#include "DeskmapPlatform/Runtime/Task.hpp"

#include <gtest/gtest.h>

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>

namespace deskmap {
namespace {

using namespace std::chrono_literals;
using Direction = SpaceSwitchDirection;

// One display whose current Space moves as the script says when a gesture
// is posted; every topology read may run a hook first.
class ScriptedDesktop final : public SpaceTopologyCollecting,
                              public SpaceSwitchAccessibilityChecking {
public:
    DisplaySpaceTopology display{"Display-A", {"A", "B", "C", "D", "E", "F"}, "A"};
    bool displayPresent = true;
    bool granted = true;
    int permissionRequests = 0;
    std::vector<Direction> posted;
    // Where each posted gesture takes the display (default: one step in its
    // direction); nothing: the gesture has no effect.
    std::function<std::optional<std::string>(Direction)> effect = [this](Direction direction) {
        const auto& spaces = display.spaceIDs;
        const auto position =
            std::find(spaces.begin(), spaces.end(), display.currentSpaceID) - spaces.begin();
        const auto next = position + (direction == Direction::right ? 1 : -1);
        return next >= 0 && next < static_cast<std::ptrdiff_t>(spaces.size())
                   ? std::optional<std::string>(spaces[static_cast<std::size_t>(next)])
                   : std::nullopt;
    };
    std::function<void()> beforeRead;
    // How each post answers after the gesture took effect: true, false, or
    // a throw (the connection to the window server dropped).
    std::function<bool()> postAnswer = [] { return true; };
    bool readsFail = false;

    SpaceTopology collectTopology() override {
        if (beforeRead) {
            beforeRead();
        }
        if (readsFail) {
            throw std::runtime_error("the window server went away");
        }
        SpaceTopology topology;
        if (displayPresent) {
            topology.spaceIDs = display.spaceIDs;
            topology.currentSpaceIDs = {display.currentSpaceID};
            topology.displays = {display};
        }
        return topology;
    }
    bool isGranted() override { return granted; }
    void request() override { ++permissionRequests; }

    bool post(Direction direction) {
        posted.push_back(direction);
        if (const auto next = effect(direction)) {
            display.currentSpaceID = *next;
        }
        return postAnswer();
    }
};

class SpaceSwitcherTest : public testing::Test {
protected:
    asio::io_context io;
    std::shared_ptr<ScriptedDesktop> desktop = std::make_shared<ScriptedDesktop>();
    std::vector<std::string> cursorDisplay{"display-a"};
    bool cursorLookupFails = false;
    std::vector<SpaceSwitchCompletion> completions;
    std::unique_ptr<MacOSSpaceSwitcher> switcher = makeSwitcher();

    std::unique_ptr<MacOSSpaceSwitcher> makeSwitcher(SpaceSwitchTiming timing = {1ms, 40ms, 2ms,
                                                                                 60ms}) {
        auto made = std::make_unique<MacOSSpaceSwitcher>(
            io.get_executor(), io.get_executor(), desktop, desktop,
            [this] {
                if (cursorLookupFails) {
                    throw std::runtime_error("the window server went away");
                }
                return cursorDisplay;
            },
            [this](Direction direction) { return desktop->post(direction); }, timing);
        made->setOnCompletion(
            [this](SpaceSwitchCompletion completion) { completions.push_back(completion); });
        return made;
    }

    // Runs the loop until the request is answered (not further).
    SpaceSwitchRequestResult request(const std::string& spaceID,
                                     std::optional<std::size_t> shownSpaces = std::nullopt) {
        auto task = runtime::Task<SpaceSwitchRequestResult>::spawn(
            io.get_executor(), switcher->switchTo(spaceID, shownSpaces));
        while (!task.isFinished()) {
            io.restart();
            io.run_one();
        }
        return task.get();
    }
};

TEST_F(SpaceSwitcherTest, StepsToTheTargetOneGestureAtATime) {
    EXPECT_EQ(request("C"), SpaceSwitchRequestResult::started);
    EXPECT_EQ(desktop->posted, std::vector<Direction>{Direction::right});
    EXPECT_TRUE(switcher->isSwitching());
    io.run();
    EXPECT_EQ(completions, std::vector{SpaceSwitchCompletion::reachedTarget});
    EXPECT_EQ(desktop->posted, (std::vector<Direction>{Direction::right, Direction::right}));
    EXPECT_FALSE(switcher->isSwitching());

    desktop->posted.clear();
    EXPECT_EQ(request("A"), SpaceSwitchRequestResult::started);
    io.restart();
    io.run();
    EXPECT_EQ(desktop->posted, (std::vector<Direction>{Direction::left, Direction::left}));
}

TEST_F(SpaceSwitcherTest, GivesUpAfterTheGestureBudget) {
    // Every gesture lands on a Space that is neither the target nor the last.
    const auto bounce = [this](Direction) {
        return std::optional<std::string>(desktop->display.currentSpaceID == "A" ? "F" : "A");
    };
    desktop->effect = bounce;
    request("B"); // one step away: five gestures
    io.run();
    EXPECT_EQ(desktop->posted.size(), 5u);
    EXPECT_EQ(completions, std::vector{SpaceSwitchCompletion::timedOut});

    desktop->posted.clear();
    desktop->display.currentSpaceID = "A";
    request("E"); // four steps away: seven gestures
    io.restart();
    io.run();
    EXPECT_EQ(desktop->posted.size(), 7u);
}

TEST_F(SpaceSwitcherTest, ReportsATimeOutAtOnceAndStaysBusyUntilRecovered) {
    desktop->effect = [](Direction) { return std::nullopt; };
    request("B");
    std::optional<runtime::Task<SpaceSwitchRequestResult>> recoveryRequest;
    bool busyWhenReported = false;
    switcher->setOnCompletion([&](SpaceSwitchCompletion completion) {
        completions.push_back(completion);
        busyWhenReported = switcher->isSwitching();
        recoveryRequest = runtime::Task<SpaceSwitchRequestResult>::spawn(io.get_executor(),
                                                                         switcher->switchTo("C"));
    });
    io.run();
    EXPECT_EQ(completions, std::vector{SpaceSwitchCompletion::timedOut});
    EXPECT_TRUE(busyWhenReported);
    ASSERT_TRUE(recoveryRequest);
    EXPECT_EQ(recoveryRequest->get(), SpaceSwitchRequestResult::inProgress);
    EXPECT_FALSE(switcher->isSwitching());
    EXPECT_EQ(desktop->posted.size(), 1u);
}

TEST_F(SpaceSwitcherTest, TheTargetOrDisplayVanishingEndsTheSequence) {
    desktop->beforeRead = [this] {
        if (!desktop->posted.empty()) {
            desktop->display.spaceIDs = {"A", "B", "D"};
        }
    };
    request("C");
    io.run();
    EXPECT_EQ(completions, std::vector{SpaceSwitchCompletion::targetUnavailable});

    desktop->display = {"Display-A", {"A", "B", "C"}, "A"};
    desktop->beforeRead = [this] { desktop->displayPresent = desktop->posted.size() < 3; };
    request("C");
    io.restart();
    io.run();
    EXPECT_EQ(completions.back(), SpaceSwitchCompletion::targetUnavailable);
}

TEST_F(SpaceSwitcherTest, RevokedAccessibilityStopsTheNextGesture) {
    desktop->beforeRead = [this] {
        if (!desktop->posted.empty()) {
            desktop->granted = false;
        }
    };
    EXPECT_EQ(request("C"), SpaceSwitchRequestResult::started);
    io.run();
    EXPECT_EQ(completions, std::vector{SpaceSwitchCompletion::gestureFailed});
    EXPECT_EQ(desktop->posted.size(), 1u);
    EXPECT_EQ(request("A"), SpaceSwitchRequestResult::needsAccessibility);
    EXPECT_EQ(desktop->permissionRequests, 1);
}

TEST_F(SpaceSwitcherTest, AnswersAtOnceWhenThereIsNothingToSwipe) {
    EXPECT_EQ(request("A"), SpaceSwitchRequestResult::alreadyActive);
    EXPECT_EQ(request("Z"), SpaceSwitchRequestResult::unavailable);
    // The list clicked showed one Space more than there are now.
    EXPECT_EQ(request("C", 7), SpaceSwitchRequestResult::mapChanged);
    EXPECT_EQ(message(SpaceSwitchRequestResult::mapChanged),
              "The Spaces changed since the list was shown. Click the Space again.");
    cursorDisplay.clear();
    EXPECT_EQ(request("C"), SpaceSwitchRequestResult::unavailable);
    EXPECT_TRUE(desktop->posted.empty());
    io.run();
    EXPECT_TRUE(completions.empty());
}

TEST_F(SpaceSwitcherTest, DestructionCancelsASequenceWithoutACompletion) {
    desktop->effect = [](Direction) { return std::nullopt; };
    // A transition time-out far beyond the destruction, however slow the run.
    switcher = makeSwitcher({1ms, 60s, 2ms, 60ms});
    request("B");
    asio::steady_timer later(io, 5ms);
    later.async_wait([this](const asio::error_code&) { switcher.reset(); });
    io.run();
    EXPECT_TRUE(completions.empty());
}

TEST_F(SpaceSwitcherTest, AFailingFirstGestureOrLookupLeavesTheSwitcherIdle) {
    desktop->postAnswer = [] { return false; };
    EXPECT_EQ(request("C"), SpaceSwitchRequestResult::unavailable);
    desktop->postAnswer = []() -> bool { throw std::runtime_error("connection lost"); };
    EXPECT_EQ(request("C"), SpaceSwitchRequestResult::unavailable);
    EXPECT_FALSE(switcher->isSwitching());

    desktop->postAnswer = [] { return true; };
    cursorLookupFails = true;
    EXPECT_EQ(request("C"), SpaceSwitchRequestResult::unavailable);
    cursorLookupFails = false;
    desktop->readsFail = true;
    EXPECT_EQ(request("C"), SpaceSwitchRequestResult::unavailable);
    io.run();
    EXPECT_TRUE(completions.empty());
    EXPECT_EQ(desktop->posted.size(), 2u); // only the two rejected first gestures

    desktop->readsFail = false;
    desktop->display.currentSpaceID = "A";
    EXPECT_EQ(request("C"), SpaceSwitchRequestResult::started);
}

TEST_F(SpaceSwitcherTest, AGestureRejectedMidSequenceEndsItOnce) {
    for (const bool throws : {false, true}) {
        desktop->display.currentSpaceID = "A";
        desktop->posted.clear();
        completions.clear();
        desktop->postAnswer = [this, throws]() -> bool {
            if (desktop->posted.size() < 2) {
                return true;
            }
            if (throws) {
                throw std::runtime_error("connection lost");
            }
            return false;
        };
        EXPECT_EQ(request("D"), SpaceSwitchRequestResult::started);
        io.restart();
        io.run();
        EXPECT_EQ(completions, std::vector{SpaceSwitchCompletion::gestureFailed}) << throws;
        EXPECT_FALSE(switcher->isSwitching());
    }
}

TEST_F(SpaceSwitcherTest, AnUnreadableTopologyAfterTheSettlePauseEndsTheSequence) {
    // The first poll sees the intermediate Space; the read after the settle
    // pause fails.
    int reads = 0;
    desktop->beforeRead = [&] { desktop->readsFail = !desktop->posted.empty() && ++reads > 1; };
    EXPECT_EQ(request("C"), SpaceSwitchRequestResult::started);
    io.run();
    EXPECT_EQ(completions, std::vector{SpaceSwitchCompletion::targetUnavailable});
    EXPECT_EQ(desktop->posted.size(), 1u);
}

TEST_F(SpaceSwitcherTest, AReplanThatFindsTheTargetActiveReportsItReached) {
    // The first gesture moves one step; by the time the sequence plans
    // again, something else has brought the target up.
    int reads = 0;
    desktop->beforeRead = [&] {
        if (!desktop->posted.empty() && ++reads == 2) {
            desktop->display.currentSpaceID = "D";
        }
    };
    EXPECT_EQ(request("D"), SpaceSwitchRequestResult::started);
    io.run();
    EXPECT_EQ(completions, std::vector{SpaceSwitchCompletion::reachedTarget});
    EXPECT_EQ(desktop->posted.size(), 1u);
}

TEST_F(SpaceSwitcherTest, ARequestWhileAnotherIsAnsweredWaitsItsTurn) {
    auto first =
        runtime::Task<SpaceSwitchRequestResult>::spawn(io.get_executor(), switcher->switchTo("C"));
    auto second =
        runtime::Task<SpaceSwitchRequestResult>::spawn(io.get_executor(), switcher->switchTo("B"));
    while (!first.isFinished() || !second.isFinished()) {
        io.restart();
        io.run_one();
    }
    EXPECT_EQ(first.get(), SpaceSwitchRequestResult::started);
    EXPECT_EQ(second.get(), SpaceSwitchRequestResult::inProgress);
    EXPECT_EQ(desktop->posted.size(), 1u);
}

TEST_F(SpaceSwitcherTest, StoppingEndsASequenceBeforeReturning) {
    desktop->effect = [](Direction) { return std::nullopt; };
    switcher = makeSwitcher({1ms, 60s, 2ms, 60ms});
    EXPECT_EQ(request("B"), SpaceSwitchRequestResult::started);
    auto stopping = runtime::Task<void>::spawn(io.get_executor(), switcher->stop());
    while (!stopping.isFinished()) {
        io.restart();
        io.run_one();
    }
    EXPECT_TRUE(completions.empty());
    // Nothing of the sequence is left to run.
    io.restart();
    EXPECT_EQ(io.poll(), 0u);
}

} // namespace
} // namespace deskmap
