#pragma once

#include <stdexcept>
#include <string>

namespace deskmap::platform {

// A scenario that cannot be served at all: a missing or unreadable file, text
// that is not JSON, or a document whose top-level shape is wrong. (Malformed
// window-server data inside a well-shaped scenario is not an error here: it is
// served as recorded.)
class ScenarioError : public std::runtime_error {
public:
    explicit ScenarioError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace deskmap::platform
