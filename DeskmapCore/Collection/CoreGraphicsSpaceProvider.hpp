#pragma once

#include "DeskmapCore/Collection/ManagedSpacesProviding.hpp"
#include "DeskmapPlatform/WindowServer.hpp"

#include <memory>

namespace deskmap {

// Managed Spaces and window-to-Space assignments read from the window server,
// with every answer's shape checked before it is passed on.
class CoreGraphicsSpaceProvider final : public ManagedSpacesProviding {
public:
    CoreGraphicsSpaceProvider(std::shared_ptr<platform::WindowServer> windowServer,
                              std::int32_t connection);

    std::vector<nlohmann::json> managedDisplaySpaces() override;
    std::vector<std::string> spaceIDs(std::uint32_t windowID) override;

    std::int32_t connection() const { return connection_; }

private:
    std::shared_ptr<platform::WindowServer> windowServer_;
    std::int32_t connection_;
};

} // namespace deskmap
