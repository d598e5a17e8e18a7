#pragma once

#include "DeskmapPlatform/UserDefaults/UserDefaults.hpp"

#include <nlohmann/json.hpp>

#include <mutex>

namespace deskmap::platform {

// Defaults that live as long as the object: for tests and for runs that
// must not touch the user's settings.
class InMemoryUserDefaults final : public UserDefaults {
public:
    InMemoryUserDefaults() = default;

    std::optional<nlohmann::json> value(const std::string& key) const override;
    void set(const std::string& key, const nlohmann::json& value) override;
    void remove(const std::string& key) override;

private:
    mutable std::mutex mutex_;
    nlohmann::json values_ = nlohmann::json::object();
};

} // namespace deskmap::platform
