#include "DesktopOption.hpp"

#include "DeskmapPlatform/DesktopSelection.hpp"

#include <cstdlib>

namespace deskmap::cli {

std::shared_ptr<platform::WindowServer>
openChosenDesktop(const std::optional<std::string>& option) {
    std::optional<std::string> environment;
    if (const char* value = std::getenv("DESKMAP_DESKTOP")) {
        environment = value;
    }
    return platform::openDesktop(platform::chooseDesktop(option, environment));
}

} // namespace deskmap::cli
