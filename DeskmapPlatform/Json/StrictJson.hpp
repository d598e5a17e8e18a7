#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// Reading outside JSON strictly: a field of the wrong type, a float where a
// whole number belongs, or a number out of range is an error naming the
// field, never a guess or a conversion.
namespace deskmap::platform::StrictJson {

// `what` names the object ("a window"); the message reads "a window has no
// whole-number "id" in range".
class FieldError : public std::runtime_error {
public:
    explicit FieldError(const std::string& detail) : std::runtime_error(detail) {}
};

// Parses text that may hold any bytes (ill-formed UTF-8 is repaired first);
// nothing when it is not JSON.
std::optional<nlohmann::json> parse(std::string_view text);

// The member, or nullptr when it is absent or null.
const nlohmann::json* member(const nlohmann::json& object, const char* key);

std::optional<std::string> optionalText(const nlohmann::json& object, const char* key,
                                        const char* what);
std::string text(const nlohmann::json& object, const char* key, const char* what);
// Absent counts as false.
bool flag(const nlohmann::json& object, const char* key, const char* what);
// Absent is an error.
bool requiredFlag(const nlohmann::json& object, const char* key, const char* what);
// An array member (absent is an error) whose elements are all objects.
const nlohmann::json& objects(const nlohmann::json& object, const char* key, const char* what);

// A whole number in [minimum, maximum].
std::int64_t integer(const nlohmann::json& object, const char* key, const char* what,
                     std::int64_t minimum = std::numeric_limits<std::int64_t>::min(),
                     std::int64_t maximum = std::numeric_limits<std::int64_t>::max());
std::uint64_t unsignedInteger(const nlohmann::json& object, const char* key, const char* what,
                              std::uint64_t maximum = std::numeric_limits<std::uint64_t>::max());

} // namespace deskmap::platform::StrictJson
