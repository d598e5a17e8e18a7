#pragma once

#include "DeskmapCore/Inventory/Inventory.hpp"

#include <vector>

namespace deskmap::WindowOrder {

// Orders a Space's windows by app, then title (an absent title as empty
// text), then window number. Texts compare by code point after canonical
// composition, case-sensitively; the sort is stable.
void sort(std::vector<WindowEvidence>& windows);

} // namespace deskmap::WindowOrder
