#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace deskmap::test {

struct ProcessOutcome {
    int exitCode = -1; // the exit status, or 128 + signal number
    std::string out;
    std::string err;
};

// Runs `program` with `arguments` to completion, feeding `input` on stdin.
// The environment is the test's own, with `setEnvironment` applied and
// `unsetEnvironment` removed.
ProcessOutcome runProcess(const std::string& program, const std::vector<std::string>& arguments,
                          const std::map<std::string, std::string>& setEnvironment = {},
                          const std::vector<std::string>& unsetEnvironment = {},
                          const std::string& input = {});

} // namespace deskmap::test
