#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace deskmap::test {

// The index of each current Space, snapshot by snapshot, in the output of
// `deskmap watch --json` (only those of `display` when one is given).
inline std::vector<int> currentSpaceIndexes(const std::string& watchOutput,
                                            const std::optional<std::string>& display = {}) {
    std::vector<int> currents;
    std::istringstream lines(watchOutput);
    std::string line;
    while (std::getline(lines, line)) {
        const auto snapshot = nlohmann::json::parse(line);
        for (const auto& space : snapshot.value("inventory", nlohmann::json::object())
                                     .value("spaces", nlohmann::json::array())) {
            if (space.at("isCurrent").get<bool>() &&
                (!display || space.at("display") == *display)) {
                currents.push_back(space.at("index").get<int>());
            }
        }
    }
    return currents;
}

} // namespace deskmap::test
