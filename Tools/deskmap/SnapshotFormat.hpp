#pragma once

#include "DeskmapAppSupport/RefreshCoordinator/RefreshSnapshot.hpp"

#include <string>
#include <string_view>

namespace deskmap::cli {

std::string_view statusName(RefreshSnapshot::Status status);
std::string_view associationName(RefreshSnapshot::SummaryAssociation association);

// The status line ("status" or "status: message"), then the summaries when
// there are any, else the inventory, then a blank line.
std::string snapshotText(const RefreshSnapshot& snapshot);

// One line of JSON (with its newline) for status bars and scripts.
std::string snapshotJSONLine(const RefreshSnapshot& snapshot);

// A state as a status bar shows it: the current Space of each display with
// its label, the whole map for a tooltip (one line per Space with its
// summary), and the status to style by.
struct BarFace {
    std::string text;
    std::string tooltip;
    std::string status;

    friend bool operator==(const BarFace&, const BarFace&) = default;
};
BarFace barFace(const RefreshSnapshot& snapshot);

// A custom module's line for a Wayland bar: {"text", "tooltip", "class"},
// markup characters escaped.
std::string waybarLine(const RefreshSnapshot& snapshot);
// One plain line, formatting tags escaped; a failure's reason follows.
std::string polybarLine(const RefreshSnapshot& snapshot);

} // namespace deskmap::cli
