#include "DesktopOption.hpp"

#include "DeskmapCore/Collection/MacOSSpaceCollector.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapPlatform/DesktopSelection.hpp"
#include "ExitCode.hpp"
#include "Failure.hpp"

#include <ostream>

namespace deskmap::cli {

std::shared_ptr<platform::WindowServer> openChosenDesktop(const std::optional<std::string>& option,
                                                          std::ostream& err, int& exitCode) {
    std::optional<std::string> notice;
    try {
        auto windowServer = platform::openChosenDesktop(option, &notice);
        if (notice) {
            err << "deskmap: " << *notice << "\n";
        }
        exitCode = ExitCode::success;
        return windowServer;
    } catch (const platform::DesktopSelectionError& error) {
        err << "deskmap: " << error.what() << "\n";
        exitCode = ExitCode::usage;
    } catch (const platform::UnsupportedSessionError& error) {
        err << "deskmap: " << error.what() << "\n";
        exitCode = ExitCode::failure;
    }
    return nullptr;
}

CollectionOutcome collectChosenDesktop(const std::optional<std::string>& option,
                                       std::ostream& err) {
    int exitCode = ExitCode::success;
    const auto windowServer = openChosenDesktop(option, err, exitCode);
    if (!windowServer) {
        return {std::nullopt, exitCode};
    }
    try {
        auto collected = MacOSSpaceCollector(windowServer).collectNamed();
        return {std::move(collected.inventory), ExitCode::success, std::move(collected.names)};
    } catch (...) {
        return {std::nullopt, reportFailure(std::current_exception(), err)};
    }
}

} // namespace deskmap::cli
