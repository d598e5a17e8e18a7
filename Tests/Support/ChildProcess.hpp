#pragma once

#include <chrono>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace deskmap::test {

struct ProcessOutcome {
    int exitCode = -1; // the exit status, or 128 + signal number
    std::string out;
    std::string err;
};

// A child process started at construction, with stdin fed from `input` and
// both output streams captured. The environment is the test's own, with
// `setEnvironment` applied and `unsetEnvironment` removed. For small outputs
// only: nothing is read until wait().
class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::map<std::string, std::string>& setEnvironment = {},
                 const std::vector<std::string>& unsetEnvironment = {},
                 const std::string& input = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void signal(int number) const;
    pid_t pid() const { return pid_; }
    // Whether the child ends within `limit` (it is reaped then; wait()
    // still collects its output). Output must fit the pipes meanwhile.
    bool exitsWithin(std::chrono::milliseconds limit);
    // Reads both streams to their end and reaps the child.
    ProcessOutcome wait();

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    bool reaped_ = false;
    bool collected_ = false;
    int status_ = 0;
};

inline ProcessOutcome runProcess(const std::string& program,
                                 const std::vector<std::string>& arguments,
                                 const std::map<std::string, std::string>& setEnvironment = {},
                                 const std::vector<std::string>& unsetEnvironment = {},
                                 const std::string& input = {}) {
    return ChildProcess(program, arguments, setEnvironment, unsetEnvironment, input).wait();
}

} // namespace deskmap::test
