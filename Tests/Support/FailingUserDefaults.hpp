#pragma once

#include "DeskmapPlatform/UserDefaults/InMemoryUserDefaults.hpp"

#include <atomic>

namespace deskmap::test {

// Defaults in memory whose writes fail on request, as a full disk or an
// unwritable folder makes them fail.
class FailingUserDefaults final : public platform::UserDefaults {
public:
    std::optional<nlohmann::json> value(const std::string& key) const override {
        return stored_.value(key);
    }
    void set(const std::string& key, const nlohmann::json& value) override {
        failIfAsked();
        stored_.set(key, value);
    }
    void remove(const std::string& key) override {
        failIfAsked();
        stored_.remove(key);
    }

    std::atomic<bool> failWrites{false};

private:
    void failIfAsked() const {
        if (failWrites) {
            throw platform::UserDefaultsError(
                "Could not write \"defaults.json\": No space left on device.");
        }
    }

    platform::InMemoryUserDefaults stored_;
};

} // namespace deskmap::test
