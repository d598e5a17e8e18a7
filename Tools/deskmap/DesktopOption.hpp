#pragma once

#include "DeskmapPlatform/WindowServer.hpp"

#include <memory>
#include <optional>
#include <string>

namespace deskmap::cli {

// The window server a command works on: the --desktop value, else
// DESKMAP_DESKTOP, else the built-in demo desktop. Throws
// platform::DesktopSelectionError when it cannot be opened.
std::shared_ptr<platform::WindowServer> openChosenDesktop(const std::optional<std::string>& option);

} // namespace deskmap::cli
