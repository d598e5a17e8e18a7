#pragma once

#include "DeskmapCore/InstalledClients/InstalledClient.hpp"
#include "DeskmapCore/InstalledClients/InstalledClientExecutableLocator.hpp"
#include "DeskmapCore/Process/InstalledClientProcessRunning.hpp"

#include <asio/awaitable.hpp>
#include <chrono>
#include <memory>

namespace deskmap {

// Checks that a client is installed and signed in by running its own status
// command. Sends no Space data and changes nothing. Throws
// InstalledClientError, or CancellationError (the child is stopped).
class InstalledClientVerifier {
public:
    static constexpr std::chrono::seconds defaultStatusTimeout{15};

    InstalledClientVerifier(InstalledClientExecutableLocator locator,
                            std::shared_ptr<InstalledClientProcessRunning> runner,
                            std::chrono::duration<double> statusTimeout = defaultStatusTimeout);

    asio::awaitable<void> verify(InstalledClient client) const;

    const InstalledClientExecutableLocator& locator() const { return locator_; }
    const std::shared_ptr<InstalledClientProcessRunning>& runner() const { return runner_; }

private:
    InstalledClientExecutableLocator locator_;
    std::shared_ptr<InstalledClientProcessRunning> runner_;
    std::chrono::duration<double> statusTimeout_;
};

} // namespace deskmap
