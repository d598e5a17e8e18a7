#include "DeskmapAppSupport/SpaceSwitcher/SpaceSwitchOutcome.hpp"

#include "DeskmapPlatform/Text/UserTexts.hpp"

namespace deskmap {

std::optional<std::string> message(SpaceSwitchRequestResult result) {
    switch (result) {
    case SpaceSwitchRequestResult::started:
    case SpaceSwitchRequestResult::alreadyActive:
        return std::nullopt;
    case SpaceSwitchRequestResult::inProgress:
        return texts::switchInProgress;
    case SpaceSwitchRequestResult::needsAccessibility:
        return texts::switchNeedsAccess;
    case SpaceSwitchRequestResult::targetNotOnDisplay:
        return texts::switchTargetNotOnDisplay;
    case SpaceSwitchRequestResult::unavailable:
        return texts::switchUnavailable;
    case SpaceSwitchRequestResult::mapChanged:
        return texts::switchMapChanged;
    }
    return std::nullopt;
}

std::optional<std::string> message(SpaceSwitchCompletion completion) {
    switch (completion) {
    case SpaceSwitchCompletion::reachedTarget:
        return std::nullopt;
    case SpaceSwitchCompletion::targetUnavailable:
        return texts::switchTargetChanged;
    case SpaceSwitchCompletion::gestureFailed:
        return texts::switchRefused;
    case SpaceSwitchCompletion::timedOut:
        return texts::switchTimedOut;
    }
    return std::nullopt;
}

} // namespace deskmap
