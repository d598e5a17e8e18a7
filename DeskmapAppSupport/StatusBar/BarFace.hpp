#pragma once

#include "DeskmapAppSupport/RefreshCoordinator/RefreshSnapshot.hpp"

#include <optional>
#include <string>

namespace deskmap {

// A state as a status bar shows it: the current Space of each display with
// its label, the whole map for a tooltip (one line per Space with its
// summary), the status to style by, and why it failed when it did. Each is
// text only: no controls, and only the tooltip has line breaks.
struct BarFace {
    std::string text;
    std::string tooltip;
    std::string status;
    std::string reason; // empty unless the status is a failure

    friend bool operator==(const BarFace&, const BarFace&) = default;
};

BarFace barFace(const RefreshSnapshot& snapshot);

// A face another process sent (a running app, over the session bus), made
// safe as barFace makes its own; nothing when it is not one: an unknown
// status, or a field longer than any real face.
std::optional<BarFace> barFaceFrom(std::string text, std::string tooltip, std::string status,
                                   std::string reason);

} // namespace deskmap
