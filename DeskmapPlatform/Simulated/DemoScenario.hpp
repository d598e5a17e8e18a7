#pragma once

#include <nlohmann/json_fwd.hpp>

#include <string_view>

namespace deskmap::platform {

// The built-in demo desktop: two displays, a dozen Spaces and a working day's
// windows, plus the window-server furniture a real recording holds. The text
// is the file Simulated/DemoScenario.json, compiled in.
std::string_view demoScenarioText();
nlohmann::json demoScenario();

} // namespace deskmap::platform
