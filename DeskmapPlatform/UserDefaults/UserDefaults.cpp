#include "UserDefaults.hpp"

#include <nlohmann/json.hpp>

namespace deskmap::platform {

std::optional<std::string> UserDefaults::string(const std::string& key) const {
    const auto stored = value(key);
    if (!stored || !stored->is_string()) {
        return std::nullopt;
    }
    return stored->get<std::string>();
}

std::optional<bool> UserDefaults::boolean(const std::string& key) const {
    const auto stored = value(key);
    if (!stored || !stored->is_boolean()) {
        return std::nullopt;
    }
    return stored->get<bool>();
}

} // namespace deskmap::platform
