#include "SpacesCommand.hpp"

#include "DeskmapCore/Collection/MacOSSpaceCollector.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapCore/Output/OutputFormatter.hpp"
#include "DeskmapPlatform/DesktopSelection.hpp"
#include "DesktopOption.hpp"
#include "ExitCode.hpp"

#include <ostream>

namespace deskmap::cli {

int runSpaces(const SpacesOptions& options, std::ostream& out, std::ostream& err) {
    std::shared_ptr<platform::WindowServer> windowServer;
    try {
        windowServer = openChosenDesktop(options.desktop);
    } catch (const platform::DesktopSelectionError& error) {
        err << "deskmap: " << error.what() << "\n";
        return ExitCode::usage;
    }

    Inventory inventory;
    try {
        inventory = MacOSSpaceCollector(windowServer).collect();
    } catch (const DeskmapError& error) {
        err << error.errorDescription().value_or("Could not inspect the Spaces.") << "\n";
        return ExitCode::failure;
    }

    out << (options.json ? OutputFormatter::inventoryJSON(inventory)
                         : OutputFormatter::inventoryHuman(inventory))
        << "\n";
    return ExitCode::success;
}

} // namespace deskmap::cli
