#include "DeskmapPlatform/Process/SpawnedProcess.hpp"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace deskmap::platform {

namespace {

struct PipeEnds {
    int read = -1;
    int write = -1;

    PipeEnds() = default;
    explicit PipeEnds(bool create) {
        if (!create) {
            return;
        }
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            throw SpawnError(std::string("could not create a pipe: ") + std::strerror(errno));
        }
        read = fds[0];
        write = fds[1];
    }
    PipeEnds(const PipeEnds&) = delete;
    ~PipeEnds() {
        closeRead();
        closeWrite();
    }
    void closeRead() {
        if (read >= 0) {
            ::close(read);
            read = -1;
        }
    }
    void closeWrite() {
        if (write >= 0) {
            ::close(write);
            write = -1;
        }
    }
};

// posix_spawn's attribute and file-action objects, released on every path.
struct SpawnSetup {
    posix_spawn_file_actions_t actions{};
    posix_spawnattr_t attributes{};

    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

} // namespace

SpawnedProcess SpawnedProcess::spawn(const SpawnRequest& request) {
    PipeEnds input(request.pipeStandardInput);
    PipeEnds output(true);
    PipeEnds error(true);

    SpawnSetup setup;
    if (request.pipeStandardInput) {
        posix_spawn_file_actions_adddup2(&setup.actions, input.read, STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_adddup2(&setup.actions, output.write, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&setup.actions, error.write, STDERR_FILENO);
    if (request.workingDirectory) {
        posix_spawn_file_actions_addchdir_np(&setup.actions, request.workingDirectory->c_str());
    }

    // Its own process group, so stop signals reach whatever it starts; and
    // default signal handling, since ignored signals (SIGPIPE here) would
    // otherwise stay ignored across exec.
    sigset_t all;
    sigfillset(&all);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setpgroup(&setup.attributes, 0);
    posix_spawnattr_setsigdefault(&setup.attributes, &all);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF |
                                                    POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> argv{request.executable};
    argv.insert(argv.end(), request.arguments.begin(), request.arguments.end());
    std::vector<char*> argvPointers;
    for (auto& argument : argv) {
        argvPointers.push_back(argument.data());
    }
    argvPointers.push_back(nullptr);

    pid_t pid = -1;
    const int result = posix_spawn(&pid, request.executable.c_str(), &setup.actions,
                                   &setup.attributes, argvPointers.data(), environ);
    if (result != 0) {
        throw SpawnError(request.executable + ": " + std::strerror(result));
    }

    SpawnedProcess process(pid);
    // The system call directly: this glibc's <sys/pidfd.h> lacks C linkage.
    const auto exitDescriptor = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (exitDescriptor < 0) {
        throw SpawnError(std::string("could not watch the child process: ") +
                         std::strerror(errno)); // the destructor kills and reaps it
    }
    process.exit_ = exitDescriptor;
    process.input_ = input.write;
    input.write = -1;
    process.output_ = output.read;
    output.read = -1;
    process.error_ = error.read;
    error.read = -1;
    return process;
}

SpawnedProcess::SpawnedProcess(SpawnedProcess&& other) noexcept
    : pid_(other.pid_), reaped_(other.reaped_), input_(take(other.input_)),
      output_(take(other.output_)), error_(take(other.error_)), exit_(take(other.exit_)) {
    other.pid_ = -1;
}

SpawnedProcess::~SpawnedProcess() {
    for (const int descriptor : {input_, output_, error_, exit_}) {
        if (descriptor >= 0) {
            ::close(descriptor);
        }
    }
    if (pid_ > 0 && !reaped_) {
        signalGroup(SIGKILL);
        while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

void SpawnedProcess::signalGroup(int signal) const {
    if (pid_ > 0) {
        ::kill(-pid_, signal);
    }
}

std::optional<int> SpawnedProcess::tryReap() {
    if (reaped_) {
        return std::nullopt;
    }
    int status = 0;
    pid_t waited = -1;
    do {
        waited = ::waitpid(pid_, &status, WNOHANG);
    } while (waited < 0 && errno == EINTR);
    if (waited == 0) {
        return std::nullopt;
    }
    reaped_ = true;
    if (waited < 0) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

} // namespace deskmap::platform
