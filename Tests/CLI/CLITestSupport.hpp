#pragma once

#include "Support/ChildProcess.hpp"

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
                                                          "http_proxy",
                                                          "https_proxy",
                                                          "HTTP_PROXY",
                                                          "HTTPS_PROXY",
                                                          "ALL_PROXY",
                                                          "all_proxy",
                                                          "DBUS_SESSION_BUS_ADDRESS",
                                                          "XDG_RUNTIME_DIR",
                                                          "XDG_CONFIG_HOME"};

inline ProcessOutcome deskmap(const std::vector<std::string>& arguments,
                              const std::map<std::string, std::string>& environment = {}) {
    return runProcess(deskmapBinary, arguments, environment, isolatedEnvironment);
}

} // namespace deskmap::test
