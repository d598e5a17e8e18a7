#include "DeskmapAppSupport/SpaceSwitcher/SpaceSwitchOutcome.hpp"

namespace deskmap {

std::optional<std::string> message(SpaceSwitchRequestResult result) {
    switch (result) {
    case SpaceSwitchRequestResult::started:
    case SpaceSwitchRequestResult::alreadyActive:
        return std::nullopt;
    case SpaceSwitchRequestResult::inProgress:
        return "Wait for the current Space switch to finish.";
    case SpaceSwitchRequestResult::needsAccessibility:
        return "Allow Accessibility access, then click the Space again.";
    case SpaceSwitchRequestResult::targetNotOnDisplay:
        return "Open Deskmap from the target display's menu bar to switch to that Space.";
    case SpaceSwitchRequestResult::unavailable:
        return "Could not switch Spaces. Try opening Deskmap again on the target display.";
    case SpaceSwitchRequestResult::mapChanged:
        return "The Spaces changed since the list was shown. Click the Space again.";
    }
    return std::nullopt;
}

std::optional<std::string> message(SpaceSwitchCompletion completion) {
    switch (completion) {
    case SpaceSwitchCompletion::reachedTarget:
        return std::nullopt;
    case SpaceSwitchCompletion::targetUnavailable:
        return "The target Space changed before Deskmap could reach it.";
    case SpaceSwitchCompletion::gestureFailed:
        return "macOS rejected the Space-switch gesture. Check Accessibility access.";
    case SpaceSwitchCompletion::timedOut:
        return "Space switching timed out before reaching the target.";
    }
    return std::nullopt;
}

} // namespace deskmap
