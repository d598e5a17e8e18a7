#include "DeskmapPlatform/Process/SpawnedProcess.hpp"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string_view>
#include <sys/prctl.h>
#include <sys/resource.h>
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

// The read end of a pipe whose write end this process holds open until it
// ends: a guard sees end-of-file there when this process is gone, however
// it ended. Made once; both ends are close-on-exec.
int lifelineReadEnd() {
    static const int readEnd = [] {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return -1;
        }
        return fds[0]; // the write end, fds[1], stays open on purpose
    }();
    return readEnd;
}

// Descriptors the guard keeps; every other one is closed in it, so no
// guard holds another's lifeline or a pipe of this process open.
constexpr int lifelineFD = 3;
constexpr int reportFD = 4;
constexpr int firstFreeFD = 5;

void writeErrno(int descriptor, int error) {
    [[maybe_unused]] const auto written = ::write(descriptor, &error, sizeof error);
}

// Only async-signal-safe calls from here on: this runs in a child forked
// from a process with other threads, and no memory may be allocated.
[[noreturn]] void runGuard(const char* executable, char* const* argv, char* const* envp,
                           const char* workingDirectory, int input, int output, int error,
                           int lifeline, int report) {
    ::setpgid(0, 0);
    sigset_t none;
    sigemptyset(&none);
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (int number = 1; number < NSIG; ++number) {
        ::sigaction(number, &defaults, nullptr);
    }
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    // Move the kept descriptors above the ones they replace, then in place.
    const int kept[] = {input, output, error, lifeline, report};
    int moved[5];
    for (int index = 0; index < 5; ++index) {
        moved[index] = kept[index] < 0 ? -1 : ::fcntl(kept[index], F_DUPFD, 16);
    }
    if (moved[0] < 0 && input < 0) {
        moved[0] = ::open("/dev/null", O_RDONLY);
    }
    for (int index = 0; index < 5; ++index) {
        if (moved[index] < 0) {
            writeErrno(moved[4] >= 0 ? moved[4] : report, errno); // none replaced yet
            ::_exit(127);
        }
    }
    for (int index = 0; index < 5; ++index) {
        if (::dup2(moved[index], index) < 0) {
            writeErrno(moved[4], errno);
            ::_exit(127);
        }
    }
    for (const int copy : moved) {
        if (copy >= firstFreeFD) {
            ::close(copy);
        }
    }
    // Everything else: no guard may hold the lifeline or another child's
    // pipes. One call where the kernel has it, else one by one.
    if (::syscall(SYS_close_range, firstFreeFD, ~0U, 0) != 0) {
        rlimit limit{};
        const auto highest =
            ::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
                ? static_cast<int>(std::min<rlim_t>(limit.rlim_cur, 1u << 20))
                : 1024;
        for (int descriptor = firstFreeFD; descriptor < highest; ++descriptor) {
            ::close(descriptor);
        }
    }
    if (workingDirectory && ::chdir(workingDirectory) != 0) {
        writeErrno(reportFD, errno);
        ::_exit(127);
    }

    const pid_t guard = ::getpid();
    const pid_t program = ::fork();
    if (program < 0) {
        writeErrno(reportFD, errno);
        ::_exit(127);
    }
    if (program == 0) {
        // The program dies with its guard, should the guard be killed alone
        // (or have died already).
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != guard) {
            ::_exit(127);
        }
        ::close(lifelineFD);
        ::fcntl(reportFD, F_SETFD, FD_CLOEXEC);
        ::execve(executable, argv, envp);
        writeErrno(reportFD, errno);
        ::_exit(127);
    }
    ::close(reportFD);
    // Signals meant for the group end the program; the guard stays to pass
    // its status on.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    for (const int number : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE}) {
        ::sigaction(number, &ignore, nullptr);
    }
    const int exited = static_cast<int>(::syscall(SYS_pidfd_open, program, 0));
    for (;;) {
        pollfd watched[2] = {{lifelineFD, POLLIN, 0}, {exited, POLLIN, 0}};
        if (::poll(watched, exited >= 0 ? 2 : 1, exited >= 0 ? -1 : 50) < 0 && errno != EINTR) {
            break;
        }
        if (watched[0].revents != 0) {
            ::kill(0, SIGKILL); // the parent is gone: the whole group ends, this one too
        }
        int status = 0;
        const pid_t waited = ::waitpid(program, &status, WNOHANG);
        if (waited == program) {
            if (WIFEXITED(status)) {
                ::_exit(WEXITSTATUS(status));
            }
            const int number = WTERMSIG(status);
            // Dies as the program did, but writes no core file: this is a
            // copy of a process that may hold keys.
            ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
            ::sigaction(number, &defaults, nullptr);
            ::kill(::getpid(), number);
            ::_exit(128 + number);
        }
    }
    ::kill(0, SIGKILL);
    ::_exit(127);
}

std::vector<std::string> environmentWithout(const std::vector<std::string>& removed) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        const auto name = text.substr(0, text.find('='));
        if (std::find(removed.begin(), removed.end(), name) == removed.end()) {
            entries.emplace_back(text);
        }
    }
    return entries;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& string : strings) {
        pointers.push_back(string.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

SpawnedProcess SpawnedProcess::spawn(const SpawnRequest& request) {
    PipeEnds input(request.pipeStandardInput);
    PipeEnds output(true);
    PipeEnds error(true);
    PipeEnds report(true);
    const int lifeline = lifelineReadEnd();
    if (lifeline < 0) {
        throw SpawnError(std::string("could not create a pipe: ") + std::strerror(errno));
    }

    // Everything the child needs is made before the fork: it may not allocate.
    std::vector<std::string> argv{request.executable};
    argv.insert(argv.end(), request.arguments.begin(), request.arguments.end());
    auto argvPointers = pointersTo(argv);
    auto environment = environmentWithout(request.removedEnvironment);
    auto environmentPointers = pointersTo(environment);
    const char* workingDirectory =
        request.workingDirectory ? request.workingDirectory->c_str() : nullptr;

    const pid_t pid = ::fork();
    if (pid < 0) {
        throw SpawnError(std::string("could not start a process: ") + std::strerror(errno));
    }
    if (pid == 0) {
        runGuard(request.executable.c_str(), argvPointers.data(), environmentPointers.data(),
                 workingDirectory, input.read, output.write, error.write, lifeline, report.write);
    }
    ::setpgid(pid, pid); // also here, so the group exists before anyone signals it

    SpawnedProcess process(pid);
    input.closeRead();
    output.closeWrite();
    error.closeWrite();
    report.closeWrite();
    // End of file once the program runs (the report pipe closes on exec);
    // else why it could not start.
    int startError = 0;
    ssize_t count = -1;
    do {
        count = ::read(report.read, &startError, sizeof startError);
    } while (count < 0 && errno == EINTR);
    if (count == static_cast<ssize_t>(sizeof startError)) {
        throw SpawnError(request.executable + ": " + std::strerror(startError));
    }
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
    // Once reaped, the group was ended and its number may be another's.
    if (pid_ > 0 && !reaped_) {
        ::kill(-pid_, signal);
    }
}

std::optional<int> SpawnedProcess::tryReap() {
    if (reaped_) {
        return std::nullopt;
    }
    // Ended, but not reaped yet, so the group's number cannot be reused:
    // whatever the program left behind in its group ends with it.
    siginfo_t ended{};
    int checked = -1;
    do {
        checked = ::waitid(P_PID, static_cast<id_t>(pid_), &ended, WEXITED | WNOHANG | WNOWAIT);
    } while (checked < 0 && errno == EINTR);
    if (checked < 0) {
        reaped_ = true; // not ours to wait for (any more)
        return -1;
    }
    if (ended.si_pid == 0) {
        return std::nullopt;
    }
    signalGroup(SIGKILL);
    int status = 0;
    pid_t waited = -1;
    do {
        waited = ::waitpid(pid_, &status, 0);
    } while (waited < 0 && errno == EINTR);
    reaped_ = true;
    if (waited < 0) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

} // namespace deskmap::platform
