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

} // namespace deskmap::cli
