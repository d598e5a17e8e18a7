#include "DesktopOption.hpp"

#include "DeskmapCore/Collection/MacOSSpaceCollector.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapPlatform/DesktopSelection.hpp"
#include "ExitCode.hpp"
#include "Failure.hpp"

#include <ostream>

namespace deskmap::cli {

std::shared_ptr<platform::WindowServer>
openChosenDesktop(const std::optional<std::string>& option) {
    return platform::openChosenDesktop(option);
}

CollectionOutcome collectChosenDesktop(const std::optional<std::string>& option,
                                       std::ostream& err) {
    std::shared_ptr<platform::WindowServer> windowServer;
    try {
        windowServer = openChosenDesktop(option);
    } catch (const platform::DesktopSelectionError& error) {
        err << "deskmap: " << error.what() << "\n";
        return {std::nullopt, ExitCode::usage};
    }
    try {
        return {MacOSSpaceCollector(windowServer).collect(), ExitCode::success};
    } catch (...) {
        return {std::nullopt, reportFailure(std::current_exception(), err)};
    }
}

} // namespace deskmap::cli
