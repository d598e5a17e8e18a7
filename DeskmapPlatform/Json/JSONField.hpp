#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace deskmap::platform {

// A document that does not decode: a missing key, a value of the wrong type,
// or a number outside its field's range. The message names the offending
// place, for example "spaces[0].windows[2].windowID".
class JSONDecodingError : public std::runtime_error {
public:
    explicit JSONDecodingError(const std::string& message) : std::runtime_error(message) {}
};

// Parses JSON text; text that is not JSON (or not UTF-8) throws
// JSONDecodingError.
nlohmann::json parseJSONDocument(const std::string& text);

// Strict reading of one JSON value that remembers where it sits in its
// document, for documents whose readers report the place of a fault ("the
// document must be ..."). Every accessor throws JSONDecodingError naming
// that place. The checks are StrictJson's.
class JSONField {
public:
    // `value` must outlive the field and every field taken from it.
    explicit JSONField(const nlohmann::json& value, std::string path = {});

    JSONField member(const char* key) const;                        // required key
    std::optional<JSONField> optionalMember(const char* key) const; // missing or null: nothing

    std::string text() const;
    bool boolean() const;
    // Whole numbers; a float is accepted when it holds an exact integer.
    std::int64_t signed64() const;
    std::uint32_t unsigned32() const;
    std::vector<JSONField> elements() const;

    const nlohmann::json& value() const { return value_; }

    [[noreturn]] void fail(const std::string& expectation) const;

private:
    std::string qualified(const char* key) const;

    const nlohmann::json& value_;
    std::string path_;
};

} // namespace deskmap::platform
