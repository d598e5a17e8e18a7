#include "DeskmapAppSupport/SpaceSwitcher/SpaceSwitchPlanner.hpp"

#include <gtest/gtest.h>

namespace deskmap {
namespace {

using Result = SpaceSwitchPlanningResult;

SpaceTopology topology(std::vector<DisplaySpaceTopology> displays) {
    SpaceTopology result;
    for (const auto& display : displays) {
        for (const auto& space : display.spaceIDs) {
            result.spaceIDs.push_back(space);
        }
        result.currentSpaceIDs.insert(display.currentSpaceID);
    }
    result.displays = std::move(displays);
    return result;
}

const auto oneDisplay = topology({{"Display-A", {"A", "B", "C", "D"}, "B"}});
const auto twoDisplays =
    topology({{"Display-A", {"A", "B"}, "A"}, {"Display-B", {"X", "Y", "Z"}, "Z"}});

TEST(SpaceSwitchPlanner, ChoosesTheCursorsDisplay) {
    // No match among several displays: nothing to plan on.
    EXPECT_EQ(SpaceSwitchPlanner::plan("X", twoDisplays, "Display-C"), Result::unavailable());
    // A single display is used whatever the cursor identifiers say.
    EXPECT_EQ(SpaceSwitchPlanner::plan("C", oneDisplay, std::vector<std::string>{}),
              Result::move({SpaceSwitchDirection::right, 1, "B", "Display-A"}));
    EXPECT_EQ(SpaceSwitchPlanner::plan("A", topology({}), "Display-A"), Result::unavailable());
}

TEST(SpaceSwitchPlanner, TellsOtherDisplaysFromUnknownTargets) {
    EXPECT_EQ(SpaceSwitchPlanner::plan("Y", twoDisplays, "DISPLAY-A"),
              Result::targetNotOnDisplay());
    EXPECT_EQ(SpaceSwitchPlanner::plan("Q", twoDisplays, "Display-A"), Result::unavailable());
    // Space identifiers compare exactly.
    EXPECT_EQ(SpaceSwitchPlanner::plan("b", oneDisplay, "Display-A"), Result::unavailable());
}

TEST(SpaceSwitchPlanner, ACurrentSpaceMissingFromItsListPlansNothing) {
    const auto broken = topology({{"Display-A", {"A", "B"}, "Q"}});
    for (const char* target : {"A", "B", "Q"}) {
        EXPECT_EQ(SpaceSwitchPlanner::plan(target, broken, "Display-A"), Result::unavailable());
    }
    EXPECT_EQ(SpaceSwitchPlanner::plan("A", topology({{"Display-A", {}, "A"}}), "Display-A"),
              Result::unavailable());
}

} // namespace
} // namespace deskmap
