#pragma once

#include <nlohmann/json_fwd.hpp>

#include <optional>
#include <stdexcept>
#include <string>

namespace deskmap::platform {

// Settings could not be stored (the folder or file cannot be written).
class UserDefaultsError : public std::runtime_error {
public:
    explicit UserDefaultsError(const std::string& message) : std::runtime_error(message) {}
};

// A small key/value store for the user's choices. Reads never fail: a value
// that cannot be read is absent. Writes throw UserDefaultsError.
class UserDefaults {
public:
    virtual ~UserDefaults() = default;

    // The stored value, or nothing when the key is absent or unreadable.
    virtual std::optional<nlohmann::json> value(const std::string& key) const = 0;
    virtual void set(const std::string& key, const nlohmann::json& value) = 0;
    virtual void remove(const std::string& key) = 0;

    // The value when it is a string (a boolean) and nothing otherwise.
    std::optional<std::string> string(const std::string& key) const;
    std::optional<bool> boolean(const std::string& key) const;

protected:
    UserDefaults() = default;
    UserDefaults(const UserDefaults&) = default;
    UserDefaults& operator=(const UserDefaults&) = default;
};

} // namespace deskmap::platform
