#pragma once

#include "DeskmapCore/Collection/WindowMetadataProviding.hpp"
#include "DeskmapPlatform/WindowServer.hpp"

#include <memory>

namespace deskmap {

// The list of every window on every Space, read from the window server.
class CoreGraphicsWindowProvider final : public WindowMetadataProviding {
public:
    explicit CoreGraphicsWindowProvider(std::shared_ptr<platform::WindowServer> windowServer);

    std::vector<nlohmann::json> windows() override;

private:
    std::shared_ptr<platform::WindowServer> windowServer_;
};

} // namespace deskmap
