#pragma once

#include <asio/awaitable.hpp>
#include <chrono>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace deskmap {

struct InstalledClientProcessRequest {
    std::string executable;
    std::vector<std::string> arguments;          // without the program name
    std::optional<std::string> workingDirectory; // absent: inherit ours
    std::optional<std::string> standardInput;    // absent: /dev/null
    std::chrono::duration<double> timeout{0};    // longest run after launch

    friend bool operator==(const InstalledClientProcessRequest&,
                           const InstalledClientProcessRequest&) = default;
};

// A finished run. A non-zero status is a result, not an error; a child ended
// by a signal reports minus the signal number.
struct InstalledClientProcessResult {
    std::int32_t status = 0;
    std::string standardOutput;
    std::string standardError;

    friend bool operator==(const InstalledClientProcessResult&,
                           const InstalledClientProcessResult&) = default;
};

// Why a run was stopped or never started. No user-facing text: callers
// translate it.
class ProcessRunnerError : public std::exception {
public:
    enum class Case { couldNotStart, timedOut, outputLimitExceeded };

    explicit ProcessRunnerError(Case failure) : failure_(failure) {}
    Case failure() const { return failure_; }

    const char* what() const noexcept override {
        switch (failure_) {
        case Case::couldNotStart:
            return "the process could not start";
        case Case::timedOut:
            return "the process timed out";
        case Case::outputLimitExceeded:
            return "the process wrote more output than is captured";
        }
        return "the process failed";
    }

    friend bool operator==(const ProcessRunnerError& lhs, const ProcessRunnerError& rhs) {
        return lhs.failure_ == rhs.failure_;
    }

private:
    Case failure_;
};

// Runs a child process to its end. Throws ProcessRunnerError, or
// CancellationError when the awaiting coroutine is cancelled (after the child
// has been stopped). Usable from any executor.
class InstalledClientProcessRunning {
public:
    virtual ~InstalledClientProcessRunning() = default;
    virtual asio::awaitable<InstalledClientProcessResult>
    run(InstalledClientProcessRequest request) = 0;

protected:
    InstalledClientProcessRunning() = default;
    InstalledClientProcessRunning(const InstalledClientProcessRunning&) = default;
    InstalledClientProcessRunning& operator=(const InstalledClientProcessRunning&) = default;
};

} // namespace deskmap
