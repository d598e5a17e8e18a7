#include "FirstTimeSetupStep.hpp"

#include "DeskmapPlatform/Text/UserTexts.hpp"

namespace deskmap::qt {

std::string_view title(FirstTimeSetupStep step) {
    switch (step) {
    case FirstTimeSetupStep::provider:
        return texts::connectProviderStep;
    case FirstTimeSetupStep::windowTitleAccess:
        return texts::titleAccessStep;
    case FirstTimeSetupStep::spaceSwitching:
        return texts::switchingStep;
    }
    return {};
}

std::string_view subtitle(FirstTimeSetupStep step) {
    switch (step) {
    case FirstTimeSetupStep::provider:
        return texts::connectProviderStepDetail;
    case FirstTimeSetupStep::windowTitleAccess:
        return texts::titleAccessStepDetail;
    case FirstTimeSetupStep::spaceSwitching:
        return texts::switchingStepDetail;
    }
    return {};
}

int number(FirstTimeSetupStep step) {
    return static_cast<int>(step) + 1;
}

std::optional<FirstTimeSetupStep> previous(FirstTimeSetupStep step) {
    if (step == FirstTimeSetupStep::provider) {
        return std::nullopt;
    }
    return static_cast<FirstTimeSetupStep>(static_cast<int>(step) - 1);
}

FirstTimeSetupStep firstStep(const FirstTimeSetupReadiness& readiness) {
    if (!readiness.providerConnected) {
        return FirstTimeSetupStep::provider;
    }
    if (!readiness.windowTitleAccessGranted) {
        return FirstTimeSetupStep::windowTitleAccess;
    }
    return FirstTimeSetupStep::spaceSwitching;
}

bool canContinue(FirstTimeSetupStep step, const FirstTimeSetupReadiness& readiness) {
    switch (step) {
    case FirstTimeSetupStep::provider:
        return readiness.providerConnected;
    case FirstTimeSetupStep::windowTitleAccess:
        return readiness.windowTitleAccessGranted;
    case FirstTimeSetupStep::spaceSwitching:
        return false;
    }
    return false;
}

} // namespace deskmap::qt
