#include "DeskmapPlatform/Json/StrictJson.hpp"

#include "DeskmapPlatform/Text/WellFormedUTF8.hpp"

#include <cmath>

namespace deskmap::platform::StrictJson {

using nlohmann::json;

std::optional<std::int64_t> wholeNumber(const json& value, std::int64_t minimum,
                                        std::int64_t maximum, Floats floats) {
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (maximum >= 0 && number <= static_cast<std::uint64_t>(maximum) &&
            static_cast<std::int64_t>(number) >= minimum) {
            return static_cast<std::int64_t>(number);
        }
    } else if (value.is_number_integer()) {
        const auto number = value.get<std::int64_t>();
        if (number >= minimum && number <= maximum) {
            return number;
        }
    } else if (value.is_number_float() && floats == Floats::exactAccepted) {
        // long double holds every 64-bit integer exactly, so the range
        // checks are exact; a huge or fractional float is no whole number.
        const auto number = value.get<double>();
        const auto wide = static_cast<long double>(number);
        if (std::isfinite(number) && std::trunc(number) == number &&
            wide >= static_cast<long double>(minimum) &&
            wide <= static_cast<long double>(maximum)) {
            return static_cast<std::int64_t>(number);
        }
    }
    return std::nullopt;
}

std::optional<std::uint64_t> unsignedWholeNumber(const json& value, std::uint64_t maximum,
                                                 Floats floats) {
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        return number <= maximum ? std::optional(number) : std::nullopt;
    }
    const auto number = wholeNumber(value, 0, std::numeric_limits<std::int64_t>::max(), floats);
    if (number && static_cast<std::uint64_t>(*number) <= maximum) {
        return static_cast<std::uint64_t>(*number);
    }
    return std::nullopt;
}

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

const json& object(const json& parent, const char* key, const char* what) {
    const auto* value = member(parent, key);
    if (!value || !value->is_object()) {
        throw FieldError(std::string(what) + " has no \"" + key + "\"");
    }
    return *value;
}

const json& objectList(const json& value, const char* what) {
    if (!value.is_array()) {
        throw FieldError(std::string(what) + " is not a list");
    }
    for (const auto& element : value) {
        if (!element.is_object()) {
            throw FieldError(std::string(what) + " holds something other than objects");
        }
    }
    return value;
}

namespace {

FieldError notInRange(const char* key, const char* what) {
    return FieldError(std::string(what) + " has no whole-number \"" + key + "\" in range");
}

} // namespace

std::int64_t integer(const json& object, const char* key, const char* what, std::int64_t minimum,
                     std::int64_t maximum) {
    const auto* value = member(object, key);
    if (const auto number = value ? wholeNumber(*value, minimum, maximum) : std::nullopt) {
        return *number;
    }
    throw notInRange(key, what);
}

std::uint64_t unsignedInteger(const json& object, const char* key, const char* what,
                              std::uint64_t maximum) {
    const auto* value = member(object, key);
    if (const auto number = value ? unsignedWholeNumber(*value, maximum) : std::nullopt) {
        return *number;
    }
    throw notInRange(key, what);
}

} // namespace deskmap::platform::StrictJson
