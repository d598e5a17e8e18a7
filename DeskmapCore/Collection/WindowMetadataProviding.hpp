#pragma once

#include <nlohmann/json_fwd.hpp>

#include <vector>

namespace deskmap {

// The raw source of the window list: one dictionary (JSON object) per window,
// in the window server's order. Throws DeskmapError (collection) on failure.
class WindowMetadataProviding {
public:
    virtual ~WindowMetadataProviding() = default;
    virtual std::vector<nlohmann::json> windows() = 0;

protected:
    WindowMetadataProviding() = default;
    WindowMetadataProviding(const WindowMetadataProviding&) = default;
    WindowMetadataProviding& operator=(const WindowMetadataProviding&) = default;
};

} // namespace deskmap
