#pragma once

#include "DeskmapCore/InstalledClients/InstalledClient.hpp"
#include "DeskmapCore/Process/InstalledClientProcessRunning.hpp"

#include <asio/awaitable.hpp>
#include <memory>
#include <string>

namespace deskmap {

// Runs one client command and reports its failures as the client's:
// cancellation stays CancellationError, a time-out is the client's timedOut,
// and anything else that kept the command from running is
// verificationFailed with `couldNotRunReason`. A non-zero status is returned.
asio::awaitable<InstalledClientProcessResult>
runClientProcess(std::shared_ptr<InstalledClientProcessRunning> runner,
                 InstalledClientProcessRequest request, InstalledClient client,
                 std::string couldNotRunReason);

} // namespace deskmap
