#include "DeskmapCore/Collection/MacOSSpaceCollector.hpp"

#include "DeskmapCore/Collection/CoreGraphicsSpaceProvider.hpp"
#include "DeskmapCore/Collection/CoreGraphicsWindowProvider.hpp"
#include "DeskmapCore/Collection/SpaceParser.hpp"
#include "DeskmapCore/Collection/WindowOrder.hpp"
#include "DeskmapCore/Collection/WindowParser.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapPlatform/WindowServer.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <unordered_map>

namespace deskmap {

namespace {

ParsedSpaceData parseSpaces(ManagedSpacesProviding& provider) {
    auto parsed = SpaceParser::parse(provider.managedDisplaySpaces());
    if (parsed.spaces.empty()) {
        throw DeskmapError::collection("no Spaces were reported");
    }
    return parsed;
}

} // namespace

MacOSSpaceCollector::MacOSSpaceCollector(std::shared_ptr<platform::WindowServer> windowServer)
    : MacOSSpaceCollector(std::make_shared<CoreGraphicsSpaceProvider>(
                              windowServer, windowServer->mainConnectionID()),
                          std::make_shared<CoreGraphicsWindowProvider>(windowServer)) {}

MacOSSpaceCollector::MacOSSpaceCollector(std::shared_ptr<ManagedSpacesProviding> spacesProvider,
                                         std::shared_ptr<WindowMetadataProviding> windowProvider)
    : spacesProvider_(std::move(spacesProvider)), windowProvider_(std::move(windowProvider)) {}

Inventory MacOSSpaceCollector::collect() {
    return collectNamed().inventory;
}

NamedInventory MacOSSpaceCollector::collectNamed() {
    try {
        return collectFromProviders();
    } catch (const platform::WindowServerError& error) {
        throw DeskmapError::collection(error.what());
    }
}

SpaceTopology MacOSSpaceCollector::collectTopology() {
    try {
        return SpaceParser::topology(parseSpaces(*spacesProvider_));
    } catch (const platform::WindowServerError& error) {
        throw DeskmapError::collection(error.what());
    }
}

NamedInventory MacOSSpaceCollector::collectFromProviders() {
    auto parsed = parseSpaces(*spacesProvider_);
    auto names = SpaceParser::topology(parsed).names();
    auto spaces = std::move(parsed.spaces);
    std::unordered_map<std::string, std::size_t> positions;
    for (std::size_t position = 0; position < spaces.size(); ++position) {
        positions.emplace(spaces[position].id, position);
    }

    std::vector<std::size_t> matched;
    for (const auto& window : windowProvider_->windows()) {
        auto evidence = WindowParser::parse(window);
        if (!evidence) {
            continue;
        }
        // A window on several Spaces is listed under each of them, once.
        matched.clear();
        for (const auto& spaceID : spacesProvider_->spaceIDs(evidence->windowID)) {
            const auto found = positions.find(spaceID);
            if (found != positions.end() &&
                std::find(matched.begin(), matched.end(), found->second) == matched.end()) {
                matched.push_back(found->second);
            }
        }
        for (const auto position : matched) {
            spaces[position].windows.push_back(*evidence);
        }
    }

    for (auto& space : spaces) {
        WindowOrder::sort(space.windows);
    }
    return {Inventory{std::move(spaces)}, std::move(names)};
}

} // namespace deskmap
