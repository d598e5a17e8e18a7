#pragma once

#include "DeskmapPlatform/WindowServer.hpp"

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace deskmap::platform {

// The desktop name given to a command when it names none.
inline constexpr const char* demoDesktopName = "demo";

// A desktop name or scenario that cannot be opened.
class DesktopSelectionError : public std::runtime_error {
public:
    explicit DesktopSelectionError(const std::string& message) : std::runtime_error(message) {}
};

// Which desktop to open: the explicit choice (a command-line option) wins over
// the environment's DESKMAP_DESKTOP; an empty value counts as none given.
std::string chooseDesktop(const std::optional<std::string>& requested,
                          const std::optional<std::string>& environment);

// Opens "demo" (the built-in simulated desktop) or a scenario file path.
// Throws DesktopSelectionError with a message naming the problem.
std::shared_ptr<WindowServer> openDesktop(const std::string& name);

} // namespace deskmap::platform
