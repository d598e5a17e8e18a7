#pragma once

#include "DeskmapAppSupport/Readiness/SetupReadiness.hpp"

#include <array>
#include <optional>
#include <string_view>

namespace deskmap::qt {

// The setup wizard's steps, in order; the raw value counts from 0.
enum class FirstTimeSetupStep { provider = 0, windowTitleAccess = 1, spaceSwitching = 2 };

inline constexpr std::array<FirstTimeSetupStep, 3> allFirstTimeSetupSteps{
    FirstTimeSetupStep::provider, FirstTimeSetupStep::windowTitleAccess,
    FirstTimeSetupStep::spaceSwitching};

std::string_view title(FirstTimeSetupStep step);
std::string_view subtitle(FirstTimeSetupStep step);
// 1, 2 or 3.
int number(FirstTimeSetupStep step);
std::optional<FirstTimeSetupStep> previous(FirstTimeSetupStep step);

// Where the wizard starts: the first step whose prerequisite is missing, or
// the last one when both are met.
FirstTimeSetupStep firstStep(const FirstTimeSetupReadiness& readiness);
// Whether `step` lets the user go on.
bool canContinue(FirstTimeSetupStep step, const FirstTimeSetupReadiness& readiness);

} // namespace deskmap::qt
