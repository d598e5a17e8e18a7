#pragma once

#include "DeskmapAppSupport/RefreshCoordinator/RefreshSnapshot.hpp"

#include <optional>
#include <string_view>

namespace deskmap {

// A status as scripts and status bars read it ("ready", "needsSetup", ...).
std::string_view statusName(RefreshSnapshot::Status status);
// The status so named; nothing for any other text.
std::optional<RefreshSnapshot::Status> statusNamed(std::string_view name);

} // namespace deskmap
