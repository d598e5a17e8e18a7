#include "DeskmapPlatform/DesktopSelection.hpp"

#include "DeskmapPlatform/Simulated/DemoScenario.hpp"
#include "DeskmapPlatform/Simulated/ScenarioError.hpp"
#include "DeskmapPlatform/Simulated/ScenarioFile.hpp"
#include "DeskmapPlatform/Simulated/SimulatedWindowServer.hpp"

#include <nlohmann/json.hpp>

namespace deskmap::platform {

std::string chooseDesktop(const std::optional<std::string>& requested,
                          const std::optional<std::string>& environment) {
    if (requested && !requested->empty()) {
        return *requested;
    }
    if (environment && !environment->empty()) {
        return *environment;
    }
    return demoDesktopName;
}

std::shared_ptr<WindowServer> openDesktop(const std::string& name) {
    try {
        if (name == demoDesktopName) {
            return std::make_shared<SimulatedWindowServer>(demoScenario());
        }
        return std::make_shared<SimulatedWindowServer>(loadScenarioFile(name));
    } catch (const ScenarioError& error) {
        throw DesktopSelectionError(error.what());
    }
}

} // namespace deskmap::platform
