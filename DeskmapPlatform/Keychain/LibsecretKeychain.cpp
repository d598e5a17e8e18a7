// The keychain over libsecret, built as a module the program loads on first
// use, so commands that never touch a key do not pay for GLib at start.
#include "DeskmapPlatform/Keychain/Keychain.hpp"

#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <libsecret/secret.h>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace deskmap::platform {

namespace {

const SecretSchema* itemSchema() {
    static const SecretSchema schema = {"org.deskmap.GenericPassword",
                                        SECRET_SCHEMA_NONE,
                                        {{"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return &schema;
}

struct HashTableDeleter {
    void operator()(GHashTable* table) const { g_hash_table_unref(table); }
};
using Attributes = std::unique_ptr<GHashTable, HashTableDeleter>;

Attributes attributesOf(const KeychainItemQuery& query) {
    // The table borrows the strings; `query` outlives every use.
    Attributes table(g_hash_table_new(g_str_hash, g_str_equal));
    g_hash_table_insert(table.get(), const_cast<char*>("service"),
                        const_cast<char*>(query.service.c_str()));
    g_hash_table_insert(table.get(), const_cast<char*>("account"),
                        const_cast<char*>(query.account.c_str()));
    return table;
}

// Cancels a blocking call that outlives its deadline.
class CallDeadline {
public:
    explicit CallDeadline(std::chrono::milliseconds timeout)
        : cancellable_(g_cancellable_new()), watcher_([this, timeout] {
              std::unique_lock lock(mutex_);
              if (!done_.wait_for(lock, timeout, [this] { return finished_; })) {
                  g_cancellable_cancel(cancellable_);
              }
          }) {}
    CallDeadline(const CallDeadline&) = delete;
    CallDeadline& operator=(const CallDeadline&) = delete;
    ~CallDeadline() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        watcher_.join();
        g_object_unref(cancellable_);
    }

    GCancellable* cancellable() const { return cancellable_; }

private:
    GCancellable* cancellable_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread watcher_;
};

std::int32_t statusOf(GError* error) {
    std::int32_t status = KeychainStatus::ioError;
    if (g_error_matches(error, SECRET_ERROR, SECRET_ERROR_IS_LOCKED) ||
        g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_ACCESS_DENIED)) {
        status = KeychainStatus::authFailed;
    } else if (g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
               g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER) ||
               g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_FILE_NOT_FOUND) ||
               g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_FOUND)) {
        status = KeychainStatus::notAvailable;
    }
    g_error_free(error);
    return status;
}

class LibsecretKeychain final : public Keychain {
public:
    explicit LibsecretKeychain(std::chrono::milliseconds timeout) : timeout_(timeout) {}

    std::int32_t copyMatching(const KeychainItemQuery& query,
                              std::optional<std::vector<std::uint8_t>>& data) override;
    std::int32_t add(const KeychainItemQuery& query,
                     const KeychainItemAttributes& attributes) override;
    std::int32_t update(const KeychainItemQuery& query,
                        const KeychainItemAttributes& attributes) override;
    std::int32_t remove(const KeychainItemQuery& query) override;

private:
    // Storing replaces an item with the same attributes.
    std::int32_t store(const KeychainItemQuery& query, const KeychainItemAttributes& attributes);

    std::chrono::milliseconds timeout_;
};

std::int32_t LibsecretKeychain::copyMatching(const KeychainItemQuery& query,
                                             std::optional<std::vector<std::uint8_t>>& data) {
    const auto attributes = attributesOf(query);
    CallDeadline deadline(timeout_);
    GError* error = nullptr;
    SecretValue* value = secret_password_lookupv_binary_sync(itemSchema(), attributes.get(),
                                                             deadline.cancellable(), &error);
    if (error) {
        return statusOf(error);
    }
    if (!value) {
        return KeychainStatus::itemNotFound;
    }
    gsize length = 0;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(secret_value_get(value, &length));
    data = std::vector<std::uint8_t>(bytes, bytes + length);
    secret_value_unref(value);
    return KeychainStatus::success;
}

std::int32_t LibsecretKeychain::add(const KeychainItemQuery& query,
                                    const KeychainItemAttributes& attributes) {
    std::optional<std::vector<std::uint8_t>> existing;
    const auto status = copyMatching(query, existing);
    if (status == KeychainStatus::success) {
        return KeychainStatus::duplicateItem;
    }
    if (status != KeychainStatus::itemNotFound) {
        return status;
    }
    return store(query, attributes);
}

std::int32_t LibsecretKeychain::update(const KeychainItemQuery& query,
                                       const KeychainItemAttributes& attributes) {
    std::optional<std::vector<std::uint8_t>> existing;
    const auto status = copyMatching(query, existing);
    if (status != KeychainStatus::success) {
        return status;
    }
    return store(query, attributes);
}

std::int32_t LibsecretKeychain::store(const KeychainItemQuery& query,
                                      const KeychainItemAttributes& attributes) {
    const auto table = attributesOf(query);
    SecretValue* value =
        secret_value_new(reinterpret_cast<const gchar*>(attributes.data.data()),
                         static_cast<gssize>(attributes.data.size()), "application/octet-stream");
    CallDeadline deadline(timeout_);
    GError* error = nullptr;
    const gboolean stored = secret_password_storev_binary_sync(
        itemSchema(), table.get(), SECRET_COLLECTION_DEFAULT, query.account.c_str(), value,
        deadline.cancellable(), &error);
    secret_value_unref(value);
    if (error) {
        return statusOf(error);
    }
    return stored ? KeychainStatus::success : KeychainStatus::ioError;
}

std::int32_t LibsecretKeychain::remove(const KeychainItemQuery& query) {
    const auto table = attributesOf(query);
    CallDeadline deadline(timeout_);
    GError* error = nullptr;
    const gboolean removed =
        secret_password_clearv_sync(itemSchema(), table.get(), deadline.cancellable(), &error);
    if (error) {
        return statusOf(error);
    }
    return removed ? KeychainStatus::success : KeychainStatus::itemNotFound;
}

} // namespace

} // namespace deskmap::platform

extern "C" __attribute__((visibility("default"))) deskmap::platform::Keychain*
deskmap_create_secret_service_keychain(long long timeoutMilliseconds);

extern "C" __attribute__((visibility("default"))) deskmap::platform::Keychain*
deskmap_create_secret_service_keychain(long long timeoutMilliseconds) {
    try {
        return new deskmap::platform::LibsecretKeychain(
            std::chrono::milliseconds(timeoutMilliseconds));
    } catch (...) {
        return nullptr;
    }
}
