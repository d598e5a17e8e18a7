#pragma once

#include "DeskmapAppSupport/RefreshCoordinator/RefreshSnapshot.hpp"
#include "DeskmapAppSupport/StatusBar/BarFace.hpp"

#include <string>
#include <string_view>

namespace deskmap::cli {

std::string_view associationName(RefreshSnapshot::SummaryAssociation association);

// The status line ("status" or "status: message"), then the summaries when
// there are any, else the inventory, then a blank line.
std::string snapshotText(const RefreshSnapshot& snapshot);

// One line of JSON (with its newline) for status bars and scripts.
std::string snapshotJSONLine(const RefreshSnapshot& snapshot);

// A custom module's line for a Wayland bar: {"text", "tooltip", "class"},
// markup characters escaped.
std::string waybarLine(const BarFace& face);
// One plain line, formatting tags escaped; a failure's reason follows.
std::string polybarLine(const BarFace& face);

} // namespace deskmap::cli
