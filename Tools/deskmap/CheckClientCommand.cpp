#include "CheckClientCommand.hpp"

#include "DeskmapCore/Errors/InstalledClientError.hpp"
#include "DeskmapCore/InstalledClients/InstalledClientVerifier.hpp"
#include "DeskmapCore/Process/FoundationInstalledClientProcessRunner.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"
#include "ExitCode.hpp"
#include "Failure.hpp"
#include "Interruptible.hpp"

#include <ostream>

namespace deskmap::cli {

int runCheckClient(const std::string& client, std::ostream& out, std::ostream& err) {
    const auto installedClient = installedClientFromRawValue(client);
    if (!installedClient) {
        err << "deskmap: unknown client \"" << client << "\" (expected codex or cursor)\n";
        return ExitCode::usage;
    }
    try {
        asio::io_context io;
        const InstalledClientVerifier verifier(
            InstalledClientExecutableLocator::forCurrentProcess(),
            std::make_shared<FoundationInstalledClientProcessRunner>());
        runInterruptible(io, verifier.verify(*installedClient));
        out << texts::clientAvailable << "\n";
        return ExitCode::success;
    } catch (...) {
        return reportFailure(std::current_exception(), err);
    }
}

} // namespace deskmap::cli
