#pragma once

#include <nlohmann/json_fwd.hpp>

#include <filesystem>
#include <string_view>

namespace deskmap::platform {

// Reads a scenario file. Throws ScenarioError naming the file and the problem
// when it is missing, unreadable, not JSON (invalid UTF-8 included) or not a
// JSON object.
nlohmann::json loadScenarioFile(const std::filesystem::path& path);

// Parses scenario text; `origin` names it in error messages.
nlohmann::json parseScenario(std::string_view text, std::string_view origin);

} // namespace deskmap::platform
