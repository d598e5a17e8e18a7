#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <vector>

namespace deskmap::platform {

struct SpawnRequest {
    std::string executable;
    std::vector<std::string> arguments; // without the program name
    std::optional<std::string> workingDirectory;
    bool pipeStandardInput = false; // else standard input is /dev/null
    // Variables of this process's environment the child does not get.
    std::vector<std::string> removedEnvironment;
};

// The program could not be started (missing, not executable, bad working
// directory, no resources).
class SpawnError : public std::runtime_error {
public:
    explicit SpawnError(const std::string& message) : std::runtime_error(message) {}
};

// A child process in a process group of its own, with pipes for its output
// streams (and its input when asked), a pid file descriptor that becomes
// readable when it exits, and default signal dispositions. The child
// inherits this process's environment, less `removedEnvironment`.
//
// The process this object knows is a small guard that leads the group: it
// runs the program as its own child, ends with the program's status, and
// kills the whole group should this process end first in any way (a crash,
// SIGKILL, an exit that skips destructors), since nothing else would.
// Destroying a process that was not reaped kills its whole group and reaps
// it, so no child is ever left behind as a zombie.
class SpawnedProcess {
public:
    static SpawnedProcess spawn(const SpawnRequest& request); // throws SpawnError

    SpawnedProcess(SpawnedProcess&& other) noexcept;
    SpawnedProcess& operator=(SpawnedProcess&&) = delete;
    SpawnedProcess(const SpawnedProcess&) = delete;
    ~SpawnedProcess();

    pid_t pid() const { return pid_; }

    // Hands over ownership of a descriptor (-1 when there is none).
    int takeStandardInput() { return take(input_); }
    int takeStandardOutput() { return take(output_); }
    int takeStandardError() { return take(error_); }
    int takeExitDescriptor() { return take(exit_); }

    // Sends `signal` to every process of the child's group while the child
    // is not reaped (reaping ends the group first).
    void signalGroup(int signal) const;

    // Reaps the child if it has exited: its exit status, or minus the number
    // of the signal that ended it. Nothing while it still runs.
    std::optional<int> tryReap();

private:
    explicit SpawnedProcess(pid_t pid) : pid_(pid) {}
    static int take(int& descriptor) {
        const int taken = descriptor;
        descriptor = -1;
        return taken;
    }

    pid_t pid_ = -1;
    bool reaped_ = false;
    int input_ = -1;
    int output_ = -1;
    int error_ = -1;
    int exit_ = -1;
};

} // namespace deskmap::platform
