#pragma once

#include "DeskmapCore/Process/InstalledClientProcessRunning.hpp"

#include <chrono>
#include <cstddef>

namespace deskmap {

// Runs children on POSIX: each in a process group of its own, its output
// streams drained continuously and captured up to a limit each, a time-out,
// and cancellation. Stopping sends SIGTERM to the group, then SIGKILL after a
// grace period. The time-out stays armed until the child has exited and both
// streams have ended, so a grandchild that keeps the pipes open cannot hold a
// run open forever.
//
// Writing to a child that stopped reading must not kill this process, so the
// first runner made sets SIGPIPE to be ignored, process-wide.
class FoundationInstalledClientProcessRunner final : public InstalledClientProcessRunning {
public:
    static constexpr std::size_t defaultMaximumCapturedOutputBytes = 1'048'576;
    static constexpr std::chrono::milliseconds defaultKillGrace{1000};

    // A limit below 1 counts as 1.
    explicit FoundationInstalledClientProcessRunner(
        std::ptrdiff_t maximumCapturedOutputBytes =
            static_cast<std::ptrdiff_t>(defaultMaximumCapturedOutputBytes),
        std::chrono::milliseconds killGrace = defaultKillGrace);

    asio::awaitable<InstalledClientProcessResult>
    run(InstalledClientProcessRequest request) override;

    std::size_t maximumCapturedOutputBytes() const { return maximumCapturedOutputBytes_; }

private:
    std::size_t maximumCapturedOutputBytes_;
    std::chrono::milliseconds killGrace_;
};

} // namespace deskmap
