#include "DeskmapPlatform/Json/StrictJson.hpp"

#include "DeskmapPlatform/Text/WellFormedUTF8.hpp"

namespace deskmap::platform::StrictJson {

using nlohmann::json;

std::optional<json> parse(std::string_view text) {
    auto document = json::parse(wellFormedUTF8(text), nullptr, false);
    if (document.is_discarded()) {
        return std::nullopt;
    }
    return document;
}

const json* member(const json& object, const char* key) {
    if (!object.is_object()) {
        return nullptr;
    }
    const auto found = object.find(key);
    return found == object.end() || found->is_null() ? nullptr : &*found;
}

std::optional<std::string> optionalText(const json& object, const char* key, const char* what) {
    const auto* value = member(object, key);
    if (!value) {
        return std::nullopt;
    }
    if (!value->is_string()) {
        throw FieldError(std::string(what) + " has a \"" + key + "\" that is not text");
    }
    return value->get<std::string>();
}

std::string text(const json& object, const char* key, const char* what) {
    auto value = optionalText(object, key, what);
    if (!value) {
        throw FieldError(std::string(what) + " has no \"" + key + "\"");
    }
    return std::move(*value);
}

bool flag(const json& object, const char* key, const char* what) {
    const auto* value = member(object, key);
    if (!value) {
        return false;
    }
    if (!value->is_boolean()) {
        throw FieldError(std::string(what) + " has a \"" + key + "\" that is not true or false");
    }
    return value->get<bool>();
}

bool requiredFlag(const json& object, const char* key, const char* what) {
    if (!member(object, key)) {
        throw FieldError(std::string(what) + " has no \"" + key + "\"");
    }
    return flag(object, key, what);
}

const json& objects(const json& object, const char* key, const char* what) {
    const auto* value = member(object, key);
    if (!value || !value->is_array()) {
        throw FieldError(std::string(what) + " has no list \"" + key + "\"");
    }
    for (const auto& element : *value) {
        if (!element.is_object()) {
            throw FieldError(std::string(what) + " has a \"" + key +
                             "\" that holds something other than objects");
        }
    }
    return *value;
}

namespace {

FieldError notInRange(const char* key, const char* what) {
    return FieldError(std::string(what) + " has no whole-number \"" + key + "\" in range");
}

} // namespace

std::int64_t integer(const json& object, const char* key, const char* what, std::int64_t minimum,
                     std::int64_t maximum) {
    const auto* value = member(object, key);
    if (value && value->is_number_unsigned()) {
        const auto number = value->get<std::uint64_t>();
        if (maximum >= 0 && number <= static_cast<std::uint64_t>(maximum) &&
            static_cast<std::int64_t>(number) >= minimum) {
            return static_cast<std::int64_t>(number);
        }
    } else if (value && value->is_number_integer()) {
        const auto number = value->get<std::int64_t>();
        if (number >= minimum && number <= maximum) {
            return number;
        }
    }
    throw notInRange(key, what);
}

std::uint64_t unsignedInteger(const json& object, const char* key, const char* what,
                              std::uint64_t maximum) {
    const auto* value = member(object, key);
    if (value && value->is_number_unsigned() && value->get<std::uint64_t>() <= maximum) {
        return value->get<std::uint64_t>();
    }
    if (value && value->is_number_integer() && value->get<std::int64_t>() >= 0 &&
        static_cast<std::uint64_t>(value->get<std::int64_t>()) <= maximum) {
        return static_cast<std::uint64_t>(value->get<std::int64_t>());
    }
    throw notInRange(key, what);
}

} // namespace deskmap::platform::StrictJson
