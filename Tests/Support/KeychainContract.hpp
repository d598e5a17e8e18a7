#pragma once

#include "DeskmapPlatform/Keychain/Keychain.hpp"

#include <gtest/gtest.h>

#include <string>

namespace deskmap::test {

inline std::vector<std::uint8_t> bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// What every keychain backend must do, checked through its interface. The
// items use `service` so runs do not see each other's items.
inline void expectKeychainContract(platform::Keychain& keychain, const std::string& service) {
    using platform::KeychainStatus::duplicateItem;
    using platform::KeychainStatus::itemNotFound;
    using platform::KeychainStatus::success;
    const platform::KeychainItemQuery first{service, "OpenAI API key"};
    const platform::KeychainItemQuery second{service, "OpenRouter API key"};
    std::optional<std::vector<std::uint8_t>> data;

    EXPECT_EQ(keychain.copyMatching(first, data), itemNotFound);
    EXPECT_EQ(keychain.remove(first), itemNotFound);
    EXPECT_EQ(keychain.update(first, {bytes("x")}), itemNotFound);

    const auto key = bytes("sk-é \xF0\x9F\x94\x91 \n");
    EXPECT_EQ(keychain.add(first, {key}), success);
    EXPECT_EQ(keychain.add(first, {bytes("other")}), duplicateItem);
    EXPECT_EQ(keychain.copyMatching(first, data), success);
    EXPECT_EQ(data, key) << "the bytes come back exactly as stored";

    EXPECT_EQ(keychain.copyMatching(second, data), itemNotFound) << "accounts are separate";
    EXPECT_EQ(keychain.add(second, {bytes("or-key")}), success);

    EXPECT_EQ(keychain.update(first, {bytes("sk-new")}), success);
    EXPECT_EQ(keychain.copyMatching(first, data), success);
    EXPECT_EQ(data, bytes("sk-new"));
    EXPECT_EQ(keychain.copyMatching(second, data), success);
    EXPECT_EQ(data, bytes("or-key"));

    EXPECT_EQ(keychain.remove(first), success);
    EXPECT_EQ(keychain.copyMatching(first, data), itemNotFound);
    EXPECT_EQ(keychain.remove(second), success);
}

} // namespace deskmap::test
