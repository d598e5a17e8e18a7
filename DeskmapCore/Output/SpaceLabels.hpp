#pragma once

#include "DeskmapCore/Inventory/Inventory.hpp"

#include <string>

// What a Space is called before a model has summarized it.
namespace deskmap::SpaceLabels {

// The distinct app names, sorted; the first two joined by " and ";
// "Sparse evidence" without windows.
std::string localLabel(const SpaceInventory& space);
// "Local inventory contains 3 windows." or the no-evidence sentence.
std::string localSummary(const SpaceInventory& space);

} // namespace deskmap::SpaceLabels
