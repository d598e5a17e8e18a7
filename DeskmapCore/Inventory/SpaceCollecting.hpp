#pragma once

#include "DeskmapCore/Inventory/DesktopNames.hpp"
#include "DeskmapCore/Inventory/Inventory.hpp"

namespace deskmap {

// An inventory with the names the desktop gave, from the same reading.
struct NamedInventory {
    Inventory inventory;
    DesktopNames names;

    friend bool operator==(const NamedInventory&, const NamedInventory&) = default;
};

// The source of inventories. `collect` reads everything afresh and throws
// DeskmapError (collection) rather than return a partial inventory.
class SpaceCollecting {
public:
    virtual ~SpaceCollecting() = default;
    virtual Inventory collect() = 0;
    // The same with the desktop's names, where the source has any.
    virtual NamedInventory collectNamed() { return {collect(), {}}; }

protected:
    SpaceCollecting() = default;
    SpaceCollecting(const SpaceCollecting&) = default;
    SpaceCollecting& operator=(const SpaceCollecting&) = default;
};

} // namespace deskmap
