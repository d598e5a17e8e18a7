#include "DeskmapPlatform/Simulated/SimulatedWindowServer.hpp"

#include "DeskmapPlatform/Simulated/ScenarioError.hpp"

#include <algorithm>
#include <optional>
#include <string>

namespace deskmap::platform {

namespace {

constexpr std::int32_t simulatedConnection = 1;

// The decimal text under which "windowSpaces" records a window, or nothing
// for a value that is not a window number.
std::optional<std::string> windowKey(const nlohmann::json& number) {
    if (number.is_number_unsigned()) {
        return std::to_string(number.get<std::uint64_t>());
    }
    if (number.is_number_integer()) {
        return std::to_string(number.get<std::int64_t>());
    }
    return std::nullopt;
}

} // namespace

SimulatedWindowServer::SimulatedWindowServer(nlohmann::json scenario)
    : scenario_(std::move(scenario)) {
    if (!scenario_.is_object()) {
        throw ScenarioError("a scenario must be a JSON object");
    }
    const auto assignments = scenario_.find("windowSpaces");
    if (assignments != scenario_.end() && !assignments->is_null() && !assignments->is_object()) {
        throw ScenarioError(
            "\"windowSpaces\" must be an object that maps window numbers to Space lists");
    }
}

std::int32_t SimulatedWindowServer::mainConnectionID() {
    return simulatedConnection;
}

nlohmann::json SimulatedWindowServer::recorded(const char* key) const {
    std::lock_guard lock(mutex_);
    const auto found = scenario_.find(key);
    return found == scenario_.end() ? nlohmann::json() : *found;
}

nlohmann::json SimulatedWindowServer::copyManagedDisplaySpaces(std::int32_t) {
    return recorded("managedDisplaySpaces");
}

nlohmann::json SimulatedWindowServer::copyWindowListInfo(std::uint32_t, std::uint32_t) {
    return recorded("windows");
}

nlohmann::json SimulatedWindowServer::copySpacesForWindows(std::int32_t, std::int32_t,
                                                           const nlohmann::json& windowNumbers) {
    std::lock_guard lock(mutex_);
    const auto assignments = scenario_.find("windowSpaces");
    auto spaces = nlohmann::json::array();
    if (!windowNumbers.is_array()) {
        return spaces;
    }
    for (const auto& number : windowNumbers) {
        const auto key = windowKey(number);
        if (!key || assignments == scenario_.end() || !assignments->is_object()) {
            continue;
        }
        const auto recordedSpaces = assignments->find(*key);
        if (recordedSpaces == assignments->end()) {
            continue;
        }
        // A single window gets its recording verbatim, whatever its shape.
        if (windowNumbers.size() == 1) {
            return *recordedSpaces;
        }
        if (recordedSpaces->is_null()) {
            return nullptr;
        }
        if (!recordedSpaces->is_array()) {
            return *recordedSpaces;
        }
        for (const auto& space : *recordedSpaces) {
            if (std::find(spaces.begin(), spaces.end(), space) == spaces.end()) {
                spaces.push_back(space);
            }
        }
    }
    return spaces;
}

} // namespace deskmap::platform
