#include "InMemoryUserDefaults.hpp"

namespace deskmap::platform {

std::optional<nlohmann::json> InMemoryUserDefaults::value(const std::string& key) const {
    std::lock_guard lock(mutex_);
    const auto found = values_.find(key);
    if (found == values_.end()) {
        return std::nullopt;
    }
    return *found;
}

void InMemoryUserDefaults::set(const std::string& key, const nlohmann::json& value) {
    std::lock_guard lock(mutex_);
    values_[key] = value;
}

void InMemoryUserDefaults::remove(const std::string& key) {
    std::lock_guard lock(mutex_);
    values_.erase(key);
}

} // namespace deskmap::platform
