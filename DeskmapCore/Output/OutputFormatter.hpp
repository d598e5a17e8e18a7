#pragma once

#include "DeskmapCore/Inventory/DesktopNames.hpp"
#include "DeskmapCore/Inventory/Inventory.hpp"
#include "DeskmapCore/Inventory/SummaryResult.hpp"

#include <nlohmann/json_fwd.hpp>

#include <string>

// Renders inventories and summary results as JSON or as terminal text.
namespace deskmap::OutputFormatter {

// Pretty-printed JSON with the keys of every object in alphabetical order and
// "/" unescaped; no trailing newline. Ill-formed UTF-8 is repaired to U+FFFD.
std::string inventoryJSON(const Inventory& inventory);
std::string summaryJSON(const SummaryResult& result);

// The JSON forms of the two, as values with the same sorted keys.
nlohmann::json inventoryValue(const Inventory& inventory);
nlohmann::json summaryValue(const SummaryResult& result);

// One block per Space, blocks separated by an empty line; every text from
// outside passes through TerminalSanitizer. A Space the desktop names
// carries its name after its number.
std::string inventoryHuman(const Inventory& inventory, const DesktopNames& names = {});
std::string summaryHuman(const SummaryResult& result);

} // namespace deskmap::OutputFormatter
