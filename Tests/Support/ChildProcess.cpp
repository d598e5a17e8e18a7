#include "Support/ChildProcess.hpp"

#include <algorithm>
#include <array>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace deskmap::test {

namespace {

struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
        }
        read = fds[0];
        write = fds[1];
    }
};

std::vector<std::string> environmentFor(const std::map<std::string, std::string>& set,
                                        const std::vector<std::string>& unset) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const auto name = text.substr(0, text.find('='));
        if (set.count(name) == 0 && std::find(unset.begin(), unset.end(), name) == unset.end()) {
            entries.push_back(text);
        }
    }
    for (const auto& [name, value] : set) {
        entries.push_back(name + "=" + value);
    }
    return entries;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (auto& string : strings) {
        result.push_back(string.data());
    }
    result.push_back(nullptr);
    return result;
}

} // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::map<std::string, std::string>& setEnvironment,
                           const std::vector<std::string>& unsetEnvironment,
                           const std::string& input) {
    Pipe in, out, err;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.read, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out.write, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err.write, STDERR_FILENO);

    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    auto environment = environmentFor(setEnvironment, unsetEnvironment);
    auto argvPointers = pointers(argv);
    auto environmentPointers = pointers(environment);

    const int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argvPointers.data(),
                                    environmentPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(in.read);
    ::close(out.write);
    ::close(err.write);
    if (spawned != 0) {
        ::close(in.write);
        ::close(out.read);
        ::close(err.read);
        throw std::runtime_error("cannot start " + program + ": " + std::strerror(spawned));
    }
    // Small inputs only: written at once, then stdin is closed.
    if (!input.empty()) {
        [[maybe_unused]] const auto written = ::write(in.write, input.data(), input.size());
    }
    ::close(in.write);
    out_ = out.read;
    err_ = err.read;
}

ChildProcess::~ChildProcess() {
    if (!reaped_) {
        ::kill(pid_, SIGKILL);
    }
    if (!collected_) {
        wait();
    }
}

void ChildProcess::signal(int number) const {
    ::kill(pid_, number);
}

bool ChildProcess::exitsWithin(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!reaped_) {
        const pid_t ended = ::waitpid(pid_, &status_, WNOHANG);
        if (ended == pid_) {
            reaped_ = true;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

ProcessOutcome ChildProcess::wait() {
    collected_ = true;
    ProcessOutcome outcome;
    std::array<pollfd, 2> streams{pollfd{out_, POLLIN, 0}, pollfd{err_, POLLIN, 0}};
    std::array<std::string*, 2> sinks{&outcome.out, &outcome.err};
    int open = 2;
    while (open > 0) {
        if (::poll(streams.data(), streams.size(), -1) < 0 && errno != EINTR) {
            break;
        }
        for (std::size_t i = 0; i < streams.size(); ++i) {
            if (streams[i].fd < 0 || streams[i].revents == 0) {
                continue;
            }
            std::array<char, 65536> buffer{};
            const auto count = ::read(streams[i].fd, buffer.data(), buffer.size());
            if (count > 0) {
                sinks[i]->append(buffer.data(), static_cast<std::size_t>(count));
            } else if (count == 0 || errno != EINTR) {
                ::close(streams[i].fd);
                streams[i].fd = -1;
                --open;
            }
        }
    }
    if (!reaped_) {
        while (::waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
        }
        reaped_ = true;
    }
    const int status = status_;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return outcome;
}

} // namespace deskmap::test
