#include "InMemoryKeychain.hpp"

namespace deskmap::platform {

std::int32_t InMemoryKeychain::copyMatching(const KeychainItemQuery& query,
                                            std::optional<std::vector<std::uint8_t>>& data) {
    std::lock_guard lock(mutex_);
    const auto found = items_.find(keyOf(query));
    if (found == items_.end()) {
        return KeychainStatus::itemNotFound;
    }
    data = found->second.data;
    return KeychainStatus::success;
}

std::int32_t InMemoryKeychain::add(const KeychainItemQuery& query,
                                   const KeychainItemAttributes& attributes) {
    std::lock_guard lock(mutex_);
    const bool inserted = items_.emplace(keyOf(query), attributes).second;
    return inserted ? KeychainStatus::success : KeychainStatus::duplicateItem;
}

std::int32_t InMemoryKeychain::update(const KeychainItemQuery& query,
                                      const KeychainItemAttributes& attributes) {
    std::lock_guard lock(mutex_);
    const auto found = items_.find(keyOf(query));
    if (found == items_.end()) {
        return KeychainStatus::itemNotFound;
    }
    found->second = attributes;
    return KeychainStatus::success;
}

std::int32_t InMemoryKeychain::remove(const KeychainItemQuery& query) {
    std::lock_guard lock(mutex_);
    return items_.erase(keyOf(query)) > 0 ? KeychainStatus::success : KeychainStatus::itemNotFound;
}

std::size_t InMemoryKeychain::itemCount() const {
    std::lock_guard lock(mutex_);
    return items_.size();
}

} // namespace deskmap::platform
