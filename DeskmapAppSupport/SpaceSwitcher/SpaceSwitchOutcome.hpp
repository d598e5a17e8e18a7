#pragma once

#include <optional>
#include <string>

namespace deskmap {

// The immediate answer to a switch request.
enum class SpaceSwitchRequestResult {
    started,
    alreadyActive,
    inProgress,
    needsAccessibility,
    targetNotOnDisplay,
    unavailable,
    // Spaces came or went since the list was drawn: where Spaces are known
    // by position, the one clicked may now be another.
    mapChanged
};

// How a started switch sequence ended.
enum class SpaceSwitchCompletion { reachedTarget, targetUnavailable, gestureFailed, timedOut };

// The sentence shown for an outcome; nothing for the ones that need none
// (started, alreadyActive, reachedTarget).
std::optional<std::string> message(SpaceSwitchRequestResult result);
std::optional<std::string> message(SpaceSwitchCompletion completion);

} // namespace deskmap
