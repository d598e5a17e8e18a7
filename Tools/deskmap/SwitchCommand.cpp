#include "SwitchCommand.hpp"

#include "DeskmapAppSupport/SpaceSwitcher/MacOSSpaceSwitcher.hpp"
#include "DeskmapCore/Collection/MacOSSpaceCollector.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapPlatform/DesktopSelection.hpp"
#include "DeskmapPlatform/Runtime/Task.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"
#include "DesktopOption.hpp"
#include "ExitCode.hpp"
#include "Failure.hpp"

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>
#include <csignal>
#include <ostream>

namespace deskmap::cli {

int runSwitch(const SwitchOptions& options, std::ostream& out, std::ostream& err) {
    int exitCode = ExitCode::success;
    const auto windowServer = openChosenDesktop(options.desktop, err, exitCode);
    if (!windowServer) {
        return exitCode;
    }
    auto collector = std::make_shared<MacOSSpaceCollector>(windowServer);
    Inventory inventory;
    try {
        inventory = collector->collect();
    } catch (...) {
        return reportFailure(std::current_exception(), err);
    }
    const auto space =
        std::find_if(inventory.spaces.begin(), inventory.spaces.end(),
                     [&](const auto& entry) { return entry.index == options.index; });
    if (space == inventory.spaces.end()) {
        err << "deskmap: " << texts::noSuchSpace(options.index, inventory.spaces.size()) << "\n";
        return ExitCode::usage;
    }

    asio::io_context io;
    std::optional<SpaceSwitchCompletion> completion;
    bool interrupted = false;
    asio::signal_set interrupts(io, SIGINT);
    {
        // One thread: the window server is read from the loop that waits.
        MacOSSpaceSwitcher switcher(io.get_executor(), io.get_executor(), collector,
                                    std::make_shared<MacOSSpaceSwitchAccessibility>(windowServer),
                                    windowServer);
        switcher.setOnCompletion([&](SpaceSwitchCompletion outcome) {
            completion = outcome;
            io.stop(); // a time-out's recovery pause need not hold the command
        });
        // Ctrl-C meanwhile is caught by `interrupts` and acted on below.
        auto requesting = runtime::Task<SpaceSwitchRequestResult>::spawn(
            io.get_executor(), switcher.switchTo(space->id));
        while (!requesting.isFinished() && io.run_one() > 0) {
        }
        const auto request = requesting.get();
        if (request == SpaceSwitchRequestResult::alreadyActive) {
            out << texts::spaceAlreadyCurrent(options.index) << "\n";
            return ExitCode::success;
        }
        if (request != SpaceSwitchRequestResult::started) {
            err << message(request).value_or(texts::couldNotSwitch) << "\n";
            return ExitCode::failure;
        }
        interrupts.async_wait([&](const asio::error_code& error, int) {
            if (!error) {
                interrupted = true;
                io.stop();
            }
        });
        if (!completion) {
            io.run();
        }
    } // the switcher cancels an unfinished sequence here
    if (interrupted || !completion) {
        return ExitCode::interrupted;
    }
    if (*completion == SpaceSwitchCompletion::reachedTarget) {
        out << texts::switchedToSpace(options.index) << "\n";
        return ExitCode::success;
    }
    err << message(*completion).value_or(texts::couldNotSwitch) << "\n";
    return ExitCode::failure;
}

} // namespace deskmap::cli
