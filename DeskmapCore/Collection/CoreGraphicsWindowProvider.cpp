#include "DeskmapCore/Collection/CoreGraphicsWindowProvider.hpp"

#include "DeskmapCore/Errors/DeskmapError.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace deskmap {

namespace {

// Every window, on every Space, on screen or not; relative to no window.
constexpr std::uint32_t allWindowsOption = 0;
constexpr std::uint32_t noRelativeWindow = 0;

} // namespace

CoreGraphicsWindowProvider::CoreGraphicsWindowProvider(
    std::shared_ptr<platform::WindowServer> windowServer)
    : windowServer_(std::move(windowServer)) {}

std::vector<nlohmann::json> CoreGraphicsWindowProvider::windows() {
    auto list = windowServer_->copyWindowListInfo(allWindowsOption, noRelativeWindow);
    if (!list.is_array() ||
        !std::all_of(list.begin(), list.end(),
                     [](const nlohmann::json& window) { return window.is_object(); })) {
        throw DeskmapError::collection("the system returned an unreadable window list");
    }
    return std::vector<nlohmann::json>(std::make_move_iterator(list.begin()),
                                       std::make_move_iterator(list.end()));
}

} // namespace deskmap
