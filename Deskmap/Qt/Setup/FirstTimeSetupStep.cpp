#include "FirstTimeSetupStep.hpp"

namespace deskmap::qt {

std::string_view title(FirstTimeSetupStep step) {
    switch (step) {
    case FirstTimeSetupStep::provider:
        return "Connect a provider";
    case FirstTimeSetupStep::windowTitleAccess:
        return "Allow window title access";
    case FirstTimeSetupStep::spaceSwitching:
        return "Enable Space switching";
    }
    return {};
}

std::string_view subtitle(FirstTimeSetupStep step) {
    switch (step) {
    case FirstTimeSetupStep::provider:
        return "Choose how Deskmap should create labels and summaries.";
    case FirstTimeSetupStep::windowTitleAccess:
        return "Deskmap needs permission to read the titles of windows on your Spaces.";
    case FirstTimeSetupStep::spaceSwitching:
        return "Optionally allow Deskmap to switch Spaces when you click a row.";
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
