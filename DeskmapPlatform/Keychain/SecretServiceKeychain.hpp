#pragma once

#include "DeskmapPlatform/Keychain/Keychain.hpp"

#include <chrono>
#include <memory>
#include <mutex>

namespace deskmap::platform {

// The desktop's secret store (the freedesktop Secret Service, reached over
// the session bus). An item is a secret with the attributes "service" and
// "account" in the default collection; its secret is the data bytes.
//
// Every call is bounded by `timeout`: a service that does not answer (or
// waits on an unlock prompt nobody sees) ends the call with ioError. Without
// a session bus the calls report notAvailable at once.
class SecretServiceKeychain final : public Keychain {
public:
    explicit SecretServiceKeychain(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    ~SecretServiceKeychain() override;

    // Whether a session bus to look for the service on exists at all.
    static bool isReachable();

    std::int32_t copyMatching(const KeychainItemQuery& query,
                              std::optional<std::vector<std::uint8_t>>& data) override;
    std::int32_t add(const KeychainItemQuery& query,
                     const KeychainItemAttributes& attributes) override;
    std::int32_t update(const KeychainItemQuery& query,
                        const KeychainItemAttributes& attributes) override;
    std::int32_t remove(const KeychainItemQuery& query) override;

private:
    // The libsecret implementation, loaded on first use; nothing without a
    // session bus or when it cannot be loaded.
    Keychain* backend();

    std::chrono::milliseconds timeout_;
    std::mutex mutex_;
    std::unique_ptr<Keychain> backend_;
};

} // namespace deskmap::platform
