#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace deskmap::platform {

// Status codes of keychain calls, with the values callers compare against.
namespace KeychainStatus {
inline constexpr std::int32_t success = 0;
inline constexpr std::int32_t itemNotFound = -25300;
inline constexpr std::int32_t duplicateItem = -25299;
inline constexpr std::int32_t notAvailable = -25291; // no keychain service reachable
inline constexpr std::int32_t authFailed = -25293;   // locked, or access refused
inline constexpr std::int32_t ioError = -36;         // the service failed or timed out
} // namespace KeychainStatus

// Who may read an item back.
enum class KeychainAccessibility { whenUnlockedThisDeviceOnly };

// Selects one generic-password item.
struct KeychainItemQuery {
    std::string service;
    std::string account;

    friend bool operator==(const KeychainItemQuery&, const KeychainItemQuery&) = default;
};

struct KeychainItemAttributes {
    std::vector<std::uint8_t> data;
    KeychainAccessibility accessibility = KeychainAccessibility::whenUnlockedThisDeviceOnly;

    friend bool operator==(const KeychainItemAttributes&, const KeychainItemAttributes&) = default;
};

// A store of generic-password items keyed by (service, account), shaped like
// the item calls of a system keychain: every call reports a status code and
// never throws.
class Keychain {
public:
    virtual ~Keychain() = default;

    // The item's data when found (success); itemNotFound otherwise.
    virtual std::int32_t copyMatching(const KeychainItemQuery& query,
                                      std::optional<std::vector<std::uint8_t>>& data) = 0;
    // Adds an item; duplicateItem when one already matches.
    virtual std::int32_t add(const KeychainItemQuery& query,
                             const KeychainItemAttributes& attributes) = 0;
    // Replaces the matching item's attributes; itemNotFound when none matches.
    virtual std::int32_t update(const KeychainItemQuery& query,
                                const KeychainItemAttributes& attributes) = 0;
    // Deletes the matching item; itemNotFound when none matches.
    virtual std::int32_t remove(const KeychainItemQuery& query) = 0;

protected:
    Keychain() = default;
    Keychain(const Keychain&) = default;
    Keychain& operator=(const Keychain&) = default;
};

} // namespace deskmap::platform
