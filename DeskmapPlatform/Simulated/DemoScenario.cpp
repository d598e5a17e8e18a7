#include "DeskmapPlatform/Simulated/DemoScenario.hpp"

#include "DeskmapPlatform/Simulated/ScenarioFile.hpp"

#include <nlohmann/json.hpp>

namespace deskmap::platform {

extern const std::string_view demoScenarioData; // generated from DemoScenario.json

std::string_view demoScenarioText() {
    return demoScenarioData;
}

nlohmann::json demoScenario() {
    return parseScenario(demoScenarioData, "the demo scenario");
}

} // namespace deskmap::platform
