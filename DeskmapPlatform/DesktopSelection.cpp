#include "DeskmapPlatform/DesktopSelection.hpp"

#include "DeskmapPlatform/Simulated/DemoScenario.hpp"
#include "DeskmapPlatform/Simulated/ScenarioError.hpp"
#include "DeskmapPlatform/Simulated/ScenarioFile.hpp"
#include "DeskmapPlatform/Simulated/SimulatedWindowServer.hpp"
#include "DeskmapPlatform/X11/X11WindowServer.hpp"

#include <nlohmann/json.hpp>

#include <cstdlib>

namespace deskmap::platform {

std::string chooseDesktop(const std::optional<std::string>& requested,
                          const std::optional<std::string>& environment,
                          const std::function<bool()>& x11Available) {
    if (requested && !requested->empty()) {
        return *requested;
    }
    if (environment && !environment->empty()) {
        return *environment;
    }
    return x11Available && x11Available() ? x11DesktopName : demoDesktopName;
}

std::shared_ptr<WindowServer> openDesktop(const std::string& name) {
    try {
        if (name == x11DesktopName) {
            return std::make_shared<X11WindowServer>();
        }
        if (name == demoDesktopName) {
            return std::make_shared<SimulatedWindowServer>(demoScenario());
        }
        return std::make_shared<SimulatedWindowServer>(loadScenarioFile(name));
    } catch (const ScenarioError& error) {
        throw DesktopSelectionError(error.what());
    } catch (const WindowServerError& error) {
        throw DesktopSelectionError(error.what());
    }
}

std::shared_ptr<WindowServer> openChosenDesktop(const std::optional<std::string>& requested) {
    std::optional<std::string> environment;
    if (const char* value = std::getenv("DESKMAP_DESKTOP")) {
        environment = value;
    }
    return openDesktop(
        chooseDesktop(requested, environment, [] { return X11WindowServer::isAvailable(); }));
}

} // namespace deskmap::platform
