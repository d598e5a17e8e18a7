#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string>

// Readings of loosely typed window-server values. A window server hands over
// numbers as integers or floats and text as strings; these readings are the
// only places that decide what counts as which.
namespace deskmap::WindowServerValues {

// The decimal text of a number, as the number itself would print it:
// integers (and floats holding an integer) without a fraction or exponent,
// other floats in their shortest round-trip form.
std::string numberText(const nlohmann::json& number);

// Text taken unchanged, or a number as its decimal text; anything else gives
// nothing. Empty text is a value.
std::optional<std::string> text(const nlohmann::json& value);

// A number's integer value, the fraction discarded toward zero and values
// beyond the 64-bit range clamped to it; anything else gives nothing.
std::optional<std::int64_t> integer(const nlohmann::json& value);

// A number's value as a double; anything else gives nothing.
std::optional<double> real(const nlohmann::json& value);

// A number that is a whole number in the unsigned 32-bit range.
std::optional<std::uint32_t> unsigned32(const nlohmann::json& value);

} // namespace deskmap::WindowServerValues
