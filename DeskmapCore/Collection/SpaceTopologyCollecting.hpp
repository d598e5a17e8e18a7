#pragma once

#include "DeskmapCore/Collection/SpaceTopology.hpp"

namespace deskmap {

// The cheap read of which Spaces exist and which are current, without any
// window. Throws DeskmapError (collection) on failure.
class SpaceTopologyCollecting {
public:
    virtual ~SpaceTopologyCollecting() = default;
    virtual SpaceTopology collectTopology() = 0;

protected:
    SpaceTopologyCollecting() = default;
    SpaceTopologyCollecting(const SpaceTopologyCollecting&) = default;
    SpaceTopologyCollecting& operator=(const SpaceTopologyCollecting&) = default;
};

} // namespace deskmap
