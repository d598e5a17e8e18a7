#include "SecretServiceKeychain.hpp"

#include "DeskmapPlatform/Modules/ModuleLoader.hpp"

#include <cstdlib>
#include <filesystem>

namespace deskmap::platform {

namespace {

using Create = Keychain* (*)(long long);

} // namespace

SecretServiceKeychain::SecretServiceKeychain(std::chrono::milliseconds timeout)
    : timeout_(timeout) {}

SecretServiceKeychain::~SecretServiceKeychain() = default;

// Without a session bus GLib may try to start one (or wait for one); report
// the store as unavailable instead.
bool SecretServiceKeychain::isReachable() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address) {
        return true;
    }
    const char* runtimeDirectory = std::getenv("XDG_RUNTIME_DIR");
    std::error_code ignored;
    return runtimeDirectory && *runtimeDirectory &&
           std::filesystem::exists(std::filesystem::path(runtimeDirectory) / "bus", ignored);
}

Keychain* SecretServiceKeychain::backend() {
    if (!isReachable()) {
        return nullptr;
    }
    std::lock_guard lock(mutex_);
    if (!backend_) {
        try {
            const auto create = reinterpret_cast<Create>(moduleSymbol(
                "libdeskmap-secret-service.so", "deskmap_create_secret_service_keychain"));
            backend_.reset(create(static_cast<long long>(timeout_.count())));
        } catch (const ModuleError&) {
            return nullptr; // reported as a keychain that is not available
        }
    }
    return backend_.get();
}

std::int32_t SecretServiceKeychain::copyMatching(const KeychainItemQuery& query,
                                                 std::optional<std::vector<std::uint8_t>>& data) {
    auto* keychain = backend();
    return keychain ? keychain->copyMatching(query, data) : KeychainStatus::notAvailable;
}

std::int32_t SecretServiceKeychain::add(const KeychainItemQuery& query,
                                        const KeychainItemAttributes& attributes) {
    auto* keychain = backend();
    return keychain ? keychain->add(query, attributes) : KeychainStatus::notAvailable;
}

std::int32_t SecretServiceKeychain::update(const KeychainItemQuery& query,
                                           const KeychainItemAttributes& attributes) {
    auto* keychain = backend();
    return keychain ? keychain->update(query, attributes) : KeychainStatus::notAvailable;
}

std::int32_t SecretServiceKeychain::remove(const KeychainItemQuery& query) {
    auto* keychain = backend();
    return keychain ? keychain->remove(query) : KeychainStatus::notAvailable;
}

} // namespace deskmap::platform
