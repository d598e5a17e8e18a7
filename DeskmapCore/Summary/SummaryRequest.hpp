#pragma once

#include "DeskmapCore/Inventory/Inventory.hpp"
#include "DeskmapCore/Inventory/SummaryResult.hpp"
#include "DeskmapCore/Summary/APIProvider.hpp"
#include "DeskmapCore/Summary/SummaryInstructions.hpp"
#include "DeskmapCore/Summary/SummaryOutputValidationError.hpp"

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <string_view>

// The contract every summary provider shares: what the model is told, what
// it is shown, the shape its answer must have, and the rules the answer is
// judged by.
namespace deskmap::SummaryRequest {

// What one Space may contribute to a request, so that no window can inflate
// it without bound: its first windows, each name and title cut short.
inline constexpr std::size_t maximumWindowsPerSpace = 50;
inline constexpr std::size_t maximumAppNameLength = 100; // user-perceived characters
inline constexpr std::size_t maximumTitleLength = 300;

// Per Space only its index and its windows' app names and titles (within
// the limits above), as compact JSON with sorted keys, unescaped slashes and
// UTF-8 text. Throws the provider's invalid-response error if the inventory
// cannot be encoded.
std::string minimizedInput(const Inventory& inventory, const APIProvider& provider);

// The JSON schema of the answer, built afresh on each call.
nlohmann::json schema();

// Validates the model's answer against the schema and the rules and builds
// the result in inventory order. Throws SummaryOutputValidationError; one bad
// entry rejects the whole answer.
SummaryResult parsedResult(const std::string& outputText, const std::string& model,
                           const Inventory& inventory);

// Whether any scalar is a C0 control, DEL or a C1 control.
bool containsControlCharacters(std::string_view text);

// Whether any Alphabetic scalar lacks "LATIN" in its Unicode name (or has no
// name). Digits, punctuation, symbols and emoji are not Alphabetic.
bool containsNonLatinAlphabeticCharacters(std::string_view text);

} // namespace deskmap::SummaryRequest
