#include "DeskmapCore/Collection/CoreGraphicsSpaceProvider.hpp"

#include "DeskmapCore/Collection/WindowServerValues.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace deskmap {

namespace {

// Every kind of Space: user, fullscreen and system.
constexpr std::int32_t allSpacesMask = 7;

} // namespace

CoreGraphicsSpaceProvider::CoreGraphicsSpaceProvider(
    std::shared_ptr<platform::WindowServer> windowServer, std::int32_t connection)
    : windowServer_(std::move(windowServer)), connection_(connection) {}

std::vector<nlohmann::json> CoreGraphicsSpaceProvider::managedDisplaySpaces() {
    auto displays = windowServer_->copyManagedDisplaySpaces(connection_);
    if (displays.is_null()) {
        throw DeskmapError::collection(texts::noSpacesData);
    }
    if (!displays.is_array() ||
        !std::all_of(displays.begin(), displays.end(),
                     [](const nlohmann::json& display) { return display.is_object(); })) {
        throw DeskmapError::collection(texts::malformedSpacesData);
    }
    return std::vector<nlohmann::json>(std::make_move_iterator(displays.begin()),
                                       std::make_move_iterator(displays.end()));
}

std::vector<std::string> CoreGraphicsSpaceProvider::spaceIDs(std::uint32_t windowID) {
    const auto spaces = windowServer_->copySpacesForWindows(connection_, allSpacesMask,
                                                            nlohmann::json::array({windowID}));
    if (spaces.is_null()) {
        throw DeskmapError::collection(texts::noSpaceAssignment(std::to_string(windowID)));
    }
    if (!spaces.is_array() ||
        !std::all_of(spaces.begin(), spaces.end(),
                     [](const nlohmann::json& space) { return space.is_number(); })) {
        throw DeskmapError::collection(texts::malformedSpaceAssignment(std::to_string(windowID)));
    }
    std::vector<std::string> identifiers;
    identifiers.reserve(spaces.size());
    for (const auto& space : spaces) {
        identifiers.push_back(WindowServerValues::numberText(space));
    }
    return identifiers;
}

} // namespace deskmap
