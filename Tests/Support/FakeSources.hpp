#pragma once

#include "DeskmapCore/Collection/ManagedSpacesProviding.hpp"
#include "DeskmapCore/Collection/WindowMetadataProviding.hpp"

#include <nlohmann/json.hpp>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace deskmap::test {

// Raw Spaces data served from memory; records every assignment query.
class FakeSpacesProvider final : public ManagedSpacesProviding {
public:
    std::vector<nlohmann::json> displays;
    std::map<std::uint32_t, std::vector<std::string>> assignments;
    std::function<void(std::uint32_t)> onAssignment; // may throw to fail a query
    std::vector<std::uint32_t> queried;

    std::vector<nlohmann::json> managedDisplaySpaces() override { return displays; }

    std::vector<std::string> spaceIDs(std::uint32_t windowID) override {
        queried.push_back(windowID);
        if (onAssignment) {
            onAssignment(windowID);
        }
        const auto found = assignments.find(windowID);
        return found == assignments.end() ? std::vector<std::string>{} : found->second;
    }
};

class FakeWindowProvider final : public WindowMetadataProviding {
public:
    std::vector<nlohmann::json> list;
    std::vector<nlohmann::json> windows() override { return list; }
};

} // namespace deskmap::test
