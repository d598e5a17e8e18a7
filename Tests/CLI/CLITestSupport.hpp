#pragma once

#include "CommandLine.hpp"
#include "Support/ChildProcess.hpp"
#include "Support/ScopedFiles.hpp"

#include <optional>
#include <sstream>
#include <string>

namespace deskmap::test {

inline const std::string deskmapBinary = DESKMAP_BINARY;
inline const std::string scenarios = std::string(DESKMAP_TEST_SOURCE_DIR) + "/Support/Scenarios/";

// Variables a developer's shell may carry that would change what deskmap
// does; every CLI test runs without them unless it sets them.
inline const std::vector<std::string> isolatedEnvironment{"DISPLAY",
                                                          "WAYLAND_DISPLAY",
                                                          "DESKMAP_DESKTOP",
                                                          "OPENAI_ACCESS_TOKEN",
                                                          "OPENROUTER_API_KEY",
                                                          "DESKMAP_OPENAI_BASE_URL",
                                                          "DESKMAP_OPENROUTER_BASE_URL",
                                                          "DESKMAP_LOCAL_BASE_URL",
                                                          "DESKMAP_LOCAL_API_KEY",
                                                          "http_proxy",
                                                          "https_proxy",
                                                          "HTTP_PROXY",
                                                          "HTTPS_PROXY",
                                                          "ALL_PROXY",
                                                          "all_proxy",
                                                          "DBUS_SESSION_BUS_ADDRESS",
                                                          "XDG_RUNTIME_DIR",
                                                          "XDG_CONFIG_HOME"};

// The command line run in this process, through the program's own entry
// point, with the environment isolated as above for the call.
inline ProcessOutcome deskmap(const std::vector<std::string>& arguments,
                              const std::map<std::string, std::string>& environment = {}) {
    std::map<std::string, std::optional<std::string>> values;
    for (const auto& name : isolatedEnvironment) {
        values[name] = std::nullopt;
    }
    for (const auto& [name, value] : environment) {
        values[name] = value;
    }
    const ScopedEnvironment scoped(values);
    std::vector<const char*> argv{"deskmap"};
    for (const auto& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::run(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

// The program as a separate process: for what only a process shows
// (signals, standard input, a clean start).
inline ProcessOutcome deskmapProcess(const std::vector<std::string>& arguments,
                                     const std::map<std::string, std::string>& environment = {}) {
    return runProcess(deskmapBinary, arguments, environment, isolatedEnvironment);
}

} // namespace deskmap::test
