#pragma once

#include "DeskmapCore/Inventory/DesktopNames.hpp"
#include "DeskmapCore/Inventory/Inventory.hpp"
#include "DeskmapPlatform/WindowServer.hpp"

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

namespace deskmap::cli {

// The window server a command works on: the --desktop value, else
// DESKMAP_DESKTOP, else the desktop of this session (the demo desktop only
// where there is no session, said on `err`). Null when it cannot be opened:
// the reason is on `err` and `exitCode` says how the command ends (usage for
// a desktop named wrongly, failure for a session that cannot be read).
std::shared_ptr<platform::WindowServer> openChosenDesktop(const std::optional<std::string>& option,
                                                          std::ostream& err, int& exitCode);

// Collects the chosen desktop's inventory. On failure the reason is on `err`
// and `exitCode` says how the command ends (usage for a desktop that cannot
// be opened, failure for a collection error).
struct CollectionOutcome {
    std::optional<Inventory> inventory;
    int exitCode = 0;
    DesktopNames names{};
};
CollectionOutcome collectChosenDesktop(const std::optional<std::string>& option, std::ostream& err);

} // namespace deskmap::cli
