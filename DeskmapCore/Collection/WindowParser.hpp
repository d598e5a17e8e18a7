#pragma once

#include "DeskmapCore/Inventory/Inventory.hpp"

#include <nlohmann/json_fwd.hpp>

#include <optional>

namespace deskmap {

// The window filter: keeps only what a person would call an application
// window. Never fails; a window that breaks a rule gives nothing.
namespace WindowParser {

std::optional<WindowEvidence> parse(const nlohmann::json& window);

} // namespace WindowParser

} // namespace deskmap
