#include "DeskmapAppSupport/SpaceSwitcher/SpaceSwitchPlanner.hpp"

#include "DeskmapAppSupport/Support/DisplayIdentifiers.hpp"

#include <algorithm>

namespace deskmap::SpaceSwitchPlanner {

namespace {

const DisplaySpaceTopology* chooseDisplay(const SpaceTopology& topology,
                                          const std::vector<std::string>& cursorDisplayIDs) {
    for (const auto& display : topology.displays) {
        for (const auto& cursorID : cursorDisplayIDs) {
            if (sameDisplayID(display.displayID, cursorID)) {
                return &display;
            }
        }
    }
    // One display is the cursor's display whatever it is called.
    return topology.displays.size() == 1 ? &topology.displays.front() : nullptr;
}

} // namespace

SpaceSwitchPlanningResult plan(const std::string& targetSpaceID, const SpaceTopology& topology,
                               const std::vector<std::string>& cursorDisplayIDs) {
    const auto* display = chooseDisplay(topology, cursorDisplayIDs);
    if (display == nullptr) {
        return SpaceSwitchPlanningResult::unavailable();
    }
    const auto& spaces = display->spaceIDs;
    const auto current = std::find(spaces.begin(), spaces.end(), display->currentSpaceID);
    if (current == spaces.end()) {
        return SpaceSwitchPlanningResult::unavailable();
    }
    const auto target = std::find(spaces.begin(), spaces.end(), targetSpaceID);
    if (target == current) {
        return SpaceSwitchPlanningResult::alreadyActive();
    }
    if (target == spaces.end()) {
        const auto& everySpace = topology.spaceIDs;
        return std::find(everySpace.begin(), everySpace.end(), targetSpaceID) != everySpace.end()
                   ? SpaceSwitchPlanningResult::targetNotOnDisplay()
                   : SpaceSwitchPlanningResult::unavailable();
    }
    const auto distance = std::distance(current, target);
    return SpaceSwitchPlanningResult::move(
        SpaceSwitchPlan{distance > 0 ? SpaceSwitchDirection::right : SpaceSwitchDirection::left,
                        static_cast<std::int64_t>(distance > 0 ? distance : -distance),
                        display->currentSpaceID, display->displayID});
}

SpaceSwitchPlanningResult plan(const std::string& targetSpaceID, const SpaceTopology& topology,
                               const std::string& cursorDisplayID) {
    return plan(targetSpaceID, topology, std::vector<std::string>{cursorDisplayID});
}

} // namespace deskmap::SpaceSwitchPlanner
