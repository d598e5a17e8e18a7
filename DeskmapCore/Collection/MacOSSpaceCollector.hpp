#pragma once

#include "DeskmapCore/Collection/ManagedSpacesProviding.hpp"
#include "DeskmapCore/Collection/SpaceTopologyCollecting.hpp"
#include "DeskmapCore/Collection/WindowMetadataProviding.hpp"
#include "DeskmapCore/Inventory/SpaceCollecting.hpp"
#include "DeskmapPlatform/WindowServer.hpp"

#include <memory>

namespace deskmap {

// Joins the managed Spaces, the filtered window list and each window's Space
// assignment into a complete, sorted inventory. Keeps no state between calls:
// every call reads the sources afresh, and any failure fails the whole call.
class MacOSSpaceCollector final : public SpaceCollecting, public SpaceTopologyCollecting {
public:
    // Reads the given window server through its connection.
    explicit MacOSSpaceCollector(std::shared_ptr<platform::WindowServer> windowServer);

    MacOSSpaceCollector(std::shared_ptr<ManagedSpacesProviding> spacesProvider,
                        std::shared_ptr<WindowMetadataProviding> windowProvider);

    Inventory collect() override;
    NamedInventory collectNamed() override;
    SpaceTopology collectTopology() override;

    const std::shared_ptr<ManagedSpacesProviding>& spacesProvider() const {
        return spacesProvider_;
    }
    const std::shared_ptr<WindowMetadataProviding>& windowProvider() const {
        return windowProvider_;
    }

private:
    // Window-server failures surface as collection errors in the callers.
    NamedInventory collectFromProviders();

    std::shared_ptr<ManagedSpacesProviding> spacesProvider_;
    std::shared_ptr<WindowMetadataProviding> windowProvider_;
};

} // namespace deskmap
