#include "KeychainCredentialStore.hpp"

#include "DeskmapCore/API/Credential.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <unicode/utf8.h>

namespace deskmap {

namespace {

bool isValidUTF8(const std::vector<std::uint8_t>& bytes) {
    const auto length = static_cast<std::int32_t>(bytes.size());
    std::int32_t offset = 0;
    while (offset < length) {
        UChar32 scalar = 0;
        U8_NEXT(bytes.data(), offset, length, scalar);
        if (scalar < 0) {
            return false;
        }
    }
    return true;
}

} // namespace

KeychainCredentialStore::Error::Error(std::string providerName)
    : providerName_(std::move(providerName)), description_(texts::keyNotAccessible(providerName_)) {
}

KeychainCredentialStore::KeychainCredentialStore(std::string service, std::string account,
                                                 std::string providerName,
                                                 std::shared_ptr<platform::Keychain> keychain)
    : service_(std::move(service)), account_(std::move(account)),
      providerName_(std::move(providerName)), keychain_(std::move(keychain)) {}

KeychainCredentialStore::KeychainCredentialStore(SummaryProvider provider,
                                                 std::shared_ptr<platform::Keychain> keychain)
    : KeychainCredentialStore(keychainService(provider), credentialLabel(provider),
                              displayName(provider), std::move(keychain)) {}

void KeychainCredentialStore::fail() const {
    throw Error(providerName_);
}

std::optional<std::string> KeychainCredentialStore::token() const {
    std::optional<std::vector<std::uint8_t>> data;
    const auto status = keychain_->copyMatching(baseQuery(), data);
    if (status == platform::KeychainStatus::itemNotFound) {
        return std::nullopt;
    }
    if (status != platform::KeychainStatus::success || !data || !isValidUTF8(*data)) {
        fail();
    }
    return std::string(data->begin(), data->end());
}

void KeychainCredentialStore::save(const std::string& token) {
    (void)singleLineCredential(token); // a key of several lines is refused, not stored
    const platform::KeychainItemAttributes attributes{
        {token.begin(), token.end()}, platform::KeychainAccessibility::whenUnlockedThisDeviceOnly};
    const auto status = keychain_->add(baseQuery(), attributes);
    if (status == platform::KeychainStatus::success) {
        return;
    }
    if (status != platform::KeychainStatus::duplicateItem ||
        keychain_->update(baseQuery(), attributes) != platform::KeychainStatus::success) {
        fail();
    }
}

void KeychainCredentialStore::remove() {
    const auto status = keychain_->remove(baseQuery());
    if (status != platform::KeychainStatus::success &&
        status != platform::KeychainStatus::itemNotFound) {
        fail();
    }
}

} // namespace deskmap
