#include "DeskmapCore/Collection/WindowServerValues.hpp"

#include <nlohmann/json.hpp>

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace deskmap::WindowServerValues {

namespace {

// 2^63 as a double: every double below it in magnitude converts to int64.
constexpr double int64Bound = 9223372036854775808.0;

} // namespace

std::string numberText(const nlohmann::json& number) {
    if (number.is_number_unsigned()) {
        return std::to_string(number.get<std::uint64_t>());
    }
    if (number.is_number_integer()) {
        return std::to_string(number.get<std::int64_t>());
    }
    const auto value = number.get<double>();
    if (std::trunc(value) == value && std::fabs(value) < int64Bound) {
        return std::to_string(static_cast<std::int64_t>(value));
    }
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

std::optional<std::string> text(const nlohmann::json& value) {
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_number()) {
        return numberText(value);
    }
    return std::nullopt;
}

std::optional<std::int64_t> integer(const nlohmann::json& value) {
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        return number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
                   ? std::numeric_limits<std::int64_t>::max()
                   : static_cast<std::int64_t>(number);
    }
    if (value.is_number_integer()) {
        return value.get<std::int64_t>();
    }
    if (value.is_number_float()) {
        const auto number = std::trunc(value.get<double>());
        if (number >= int64Bound) {
            return std::numeric_limits<std::int64_t>::max();
        }
        if (number < -int64Bound) {
            return std::numeric_limits<std::int64_t>::min();
        }
        return static_cast<std::int64_t>(number);
    }
    return std::nullopt;
}

std::optional<double> real(const nlohmann::json& value) {
    if (!value.is_number()) {
        return std::nullopt;
    }
    return value.get<double>();
}

std::optional<std::uint32_t> unsigned32(const nlohmann::json& value) {
    if (!value.is_number()) {
        return std::nullopt;
    }
    if (value.is_number_float() && std::trunc(value.get<double>()) != value.get<double>()) {
        return std::nullopt;
    }
    const auto number = integer(value);
    if (!number || *number < 0 || *number > std::numeric_limits<std::uint32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*number);
}

} // namespace deskmap::WindowServerValues
