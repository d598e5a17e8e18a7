#include "SpacesCommand.hpp"

#include "DeskmapCore/Output/OutputFormatter.hpp"
#include "DesktopOption.hpp"
#include "ExitCode.hpp"

#include <ostream>

namespace deskmap::cli {

int runSpaces(const SpacesOptions& options, std::ostream& out, std::ostream& err) {
    const auto collected = collectChosenDesktop(options.desktop, err);
    if (!collected.inventory) {
        return collected.exitCode;
    }
    out << (options.json ? OutputFormatter::inventoryJSON(*collected.inventory)
                         : OutputFormatter::inventoryHuman(*collected.inventory, collected.names))
        << "\n";
    return ExitCode::success;
}

} // namespace deskmap::cli
