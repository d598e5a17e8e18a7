#pragma once

#include "DeskmapPlatform/Keychain/Keychain.hpp"

#include <map>
#include <mutex>
#include <utility>

namespace deskmap::platform {

// A keychain that forgets everything when it is destroyed: for tests and
// for machines without a secret store.
class InMemoryKeychain final : public Keychain {
public:
    std::int32_t copyMatching(const KeychainItemQuery& query,
                              std::optional<std::vector<std::uint8_t>>& data) override;
    std::int32_t add(const KeychainItemQuery& query,
                     const KeychainItemAttributes& attributes) override;
    std::int32_t update(const KeychainItemQuery& query,
                        const KeychainItemAttributes& attributes) override;
    std::int32_t remove(const KeychainItemQuery& query) override;

    std::size_t itemCount() const;

private:
    using Key = std::pair<std::string, std::string>;
    static Key keyOf(const KeychainItemQuery& query) { return {query.service, query.account}; }

    mutable std::mutex mutex_;
    std::map<Key, KeychainItemAttributes> items_;
};

} // namespace deskmap::platform
