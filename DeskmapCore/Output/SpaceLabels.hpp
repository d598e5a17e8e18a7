#pragma once

#include "DeskmapCore/Inventory/DesktopNames.hpp"
#include "DeskmapCore/Inventory/Inventory.hpp"

#include <optional>
#include <string>

// What a Space is called before a model has summarized it.
namespace deskmap::SpaceLabels {

// The distinct app names, sorted; the first two joined by " and ";
// "Sparse evidence" without windows.
std::string localLabel(const SpaceInventory& space);
// "Local inventory contains 3 windows." or the no-evidence sentence.
std::string localSummary(const SpaceInventory& space);

// The name the desktop gives the Space, unless it only repeats the Space's
// number (the bare number, or one word such as "Desktop" before it);
// nothing where it gives none.
std::optional<std::string> spaceName(const SpaceInventory& space, const DesktopNames& names);

} // namespace deskmap::SpaceLabels
