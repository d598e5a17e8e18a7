#include "DeskmapPlatform/Json/JSONField.hpp"

#include "DeskmapPlatform/Json/StrictJson.hpp"

#include <nlohmann/json.hpp>

#include <limits>

namespace deskmap::platform {

nlohmann::json parseJSONDocument(const std::string& text) {
    try {
        return nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception& error) {
        // Not only parse errors: a number beyond a double's range is an
        // out-of-range error, and it is just as much unusable outside data.
        throw JSONDecodingError(std::string("the document is not valid JSON: ") + error.what());
    }
}

JSONField::JSONField(const nlohmann::json& value, std::string path)
    : value_(value), path_(std::move(path)) {}

void JSONField::fail(const std::string& expectation) const {
    throw JSONDecodingError((path_.empty() ? std::string("the document") : path_) + " must be " +
                            expectation);
}

std::string JSONField::qualified(const char* key) const {
    return path_.empty() ? std::string(key) : path_ + "." + key;
}

JSONField JSONField::member(const char* key) const {
    if (!value_.is_object()) {
        fail("an object");
    }
    const auto found = value_.find(key);
    if (found == value_.end()) {
        throw JSONDecodingError(qualified(key) + " is missing");
    }
    return JSONField(*found, qualified(key));
}

std::optional<JSONField> JSONField::optionalMember(const char* key) const {
    if (!value_.is_object()) {
        fail("an object");
    }
    const auto found = value_.find(key);
    if (found == value_.end() || found->is_null()) {
        return std::nullopt;
    }
    return JSONField(*found, qualified(key));
}

std::string JSONField::text() const {
    if (!value_.is_string()) {
        fail("a string");
    }
    return value_.get<std::string>();
}

bool JSONField::boolean() const {
    if (!value_.is_boolean()) {
        fail("true or false");
    }
    return value_.get<bool>();
}

std::int64_t JSONField::signed64() const {
    const auto number = StrictJson::wholeNumber(value_, std::numeric_limits<std::int64_t>::min(),
                                                std::numeric_limits<std::int64_t>::max(),
                                                StrictJson::Floats::exactAccepted);
    if (!number) {
        fail("a signed 64-bit integer");
    }
    return *number;
}

std::uint32_t JSONField::unsigned32() const {
    const auto number = StrictJson::wholeNumber(
        value_, 0, std::numeric_limits<std::uint32_t>::max(), StrictJson::Floats::exactAccepted);
    if (!number) {
        fail("an unsigned 32-bit integer");
    }
    return static_cast<std::uint32_t>(*number);
}

std::vector<JSONField> JSONField::elements() const {
    if (!value_.is_array()) {
        fail("an array");
    }
    std::vector<JSONField> fields;
    fields.reserve(value_.size());
    for (std::size_t position = 0; position < value_.size(); ++position) {
        fields.emplace_back(value_[position], path_ + "[" + std::to_string(position) + "]");
    }
    return fields;
}

} // namespace deskmap::platform
