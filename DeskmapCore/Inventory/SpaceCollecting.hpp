#pragma once

#include "DeskmapCore/Inventory/Inventory.hpp"

namespace deskmap {

// The source of inventories. `collect` reads everything afresh and throws
// DeskmapError (collection) rather than return a partial inventory.
class SpaceCollecting {
public:
    virtual ~SpaceCollecting() = default;
    virtual Inventory collect() = 0;

protected:
    SpaceCollecting() = default;
    SpaceCollecting(const SpaceCollecting&) = default;
    SpaceCollecting& operator=(const SpaceCollecting&) = default;
};

} // namespace deskmap
