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
// whole-number "id" in range". Readers whose peers have their own error
// type translate it at their boundary.
class FieldError : public std::runtime_error {
public:
    explicit FieldError(const std::string& detail) : std::runtime_error(detail) {}
};

// Whether a float that holds an exact whole number counts as one. Outside
// peers that promise integers send integers: for them it does not.
enum class Floats { refused, exactAccepted };

// A whole number in [minimum, maximum], never converted or clamped.
std::optional<std::int64_t> wholeNumber(const nlohmann::json& value, std::int64_t minimum,
                                        std::int64_t maximum, Floats floats = Floats::refused);
std::optional<std::uint64_t> unsignedWholeNumber(const nlohmann::json& value, std::uint64_t maximum,
                                                 Floats floats = Floats::refused);

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
// An object member; absent is an error.
const nlohmann::json& object(const nlohmann::json& parent, const char* key, const char* what);
// A document that must be a list of objects.
const nlohmann::json& objectList(const nlohmann::json& value, const char* what);
// An array member (absent is an error) whose elements are all objects.
const nlohmann::json& objects(const nlohmann::json& object, const char* key, const char* what);

// A whole number in [minimum, maximum].
std::int64_t integer(const nlohmann::json& object, const char* key, const char* what,
                     std::int64_t minimum = std::numeric_limits<std::int64_t>::min(),
                     std::int64_t maximum = std::numeric_limits<std::int64_t>::max());
std::uint64_t unsignedInteger(const nlohmann::json& object, const char* key, const char* what,
                              std::uint64_t maximum = std::numeric_limits<std::uint64_t>::max());

} // namespace deskmap::platform::StrictJson
