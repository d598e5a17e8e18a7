#include "DeskmapPlatform/DesktopSelection.hpp"

#include "DeskmapPlatform/I3Ipc/I3IpcSocket.hpp"
#include "DeskmapPlatform/I3Ipc/I3IpcWindowServer.hpp"
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
                          const std::function<std::optional<std::string>()>& detect) {
    if (requested && !requested->empty()) {
        return *requested;
    }
    if (environment && !environment->empty()) {
        return *environment;
    }
    if (detect) {
        if (auto found = detect()) {
            return *found;
        }
    }
    return demoDesktopName;
}

namespace {

std::shared_ptr<WindowServer> openTiling(I3Ipc::WindowManager windowManager) {
    I3IpcWindowServer::Options options;
    options.locateSocket = [windowManager] { return I3Ipc::findSocket(windowManager); };
    options.noSocketMessage = I3Ipc::noSocketMessage(windowManager);
    return std::make_shared<I3IpcWindowServer>(std::move(options));
}

bool hasSocket(I3Ipc::WindowManager windowManager) {
    const auto path = I3Ipc::findSocket(windowManager);
    return path && I3Ipc::isListening(*path);
}

} // namespace

std::optional<std::string> detectDesktop() {
    if (std::getenv("SWAYSOCK") && hasSocket(I3Ipc::WindowManager::sway)) {
        return swayDesktopName;
    }
    if (hasSocket(I3Ipc::WindowManager::i3)) {
        return i3DesktopName;
    }
    if (X11WindowServer::isAvailable()) {
        return x11DesktopName;
    }
    return std::nullopt;
}

std::shared_ptr<WindowServer> openDesktop(const std::string& name) {
    try {
        if (name == swayDesktopName) {
            return openTiling(I3Ipc::WindowManager::sway);
        }
        if (name == i3DesktopName) {
            return openTiling(I3Ipc::WindowManager::i3);
        }
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
    return openDesktop(chooseDesktop(requested, environment, detectDesktop));
}

} // namespace deskmap::platform
