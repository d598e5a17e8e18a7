#pragma once

#include "DeskmapCore/Collection/SpaceTopology.hpp"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace deskmap {

// Towards later (right) or earlier (left) entries of a display's Spaces.
enum class SpaceSwitchDirection { left, right };

struct SpaceSwitchPlan {
    SpaceSwitchDirection direction = SpaceSwitchDirection::right;
    std::int64_t minimumSteps = 0; // one-Space moves to the target, at least 1
    std::string currentSpaceID;
    std::string displayID; // as the topology spells it

    friend bool operator==(const SpaceSwitchPlan&, const SpaceSwitchPlan&) = default;
};

// What planning a switch found.
struct SpaceSwitchPlanningResult {
    struct AlreadyActive {
        friend bool operator==(const AlreadyActive&, const AlreadyActive&) = default;
    };
    struct TargetNotOnDisplay {
        friend bool operator==(const TargetNotOnDisplay&, const TargetNotOnDisplay&) = default;
    };
    struct Unavailable {
        friend bool operator==(const Unavailable&, const Unavailable&) = default;
    };
    using Case = std::variant<SpaceSwitchPlan, AlreadyActive, TargetNotOnDisplay, Unavailable>;

    Case outcome;

    static SpaceSwitchPlanningResult move(SpaceSwitchPlan plan) { return {std::move(plan)}; }
    static SpaceSwitchPlanningResult alreadyActive() { return {AlreadyActive{}}; }
    static SpaceSwitchPlanningResult targetNotOnDisplay() { return {TargetNotOnDisplay{}}; }
    static SpaceSwitchPlanningResult unavailable() { return {Unavailable{}}; }

    // The plan of a `move` result, else null.
    const SpaceSwitchPlan* plan() const { return std::get_if<SpaceSwitchPlan>(&outcome); }

    friend bool operator==(const SpaceSwitchPlanningResult&,
                           const SpaceSwitchPlanningResult&) = default;
};

// Plans a switch on the display under the cursor: which way and how many
// one-Space moves. Pure: no state, no platform calls. Display identifiers
// compare without regard to letter case, Space identifiers exactly.
namespace SpaceSwitchPlanner {

SpaceSwitchPlanningResult plan(const std::string& targetSpaceID, const SpaceTopology& topology,
                               const std::vector<std::string>& cursorDisplayIDs);

SpaceSwitchPlanningResult plan(const std::string& targetSpaceID, const SpaceTopology& topology,
                               const std::string& cursorDisplayID);

} // namespace SpaceSwitchPlanner

} // namespace deskmap
