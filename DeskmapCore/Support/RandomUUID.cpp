#include "DeskmapCore/Support/RandomUUID.hpp"

#include <array>
#include <cstdio>
#include <random>

namespace deskmap {

std::string randomUUID() {
    std::random_device entropy;
    std::array<unsigned char, 16> bytes{};
    for (auto& byte : bytes) {
        byte = static_cast<unsigned char>(entropy() & 0xFF);
    }
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text += '-';
        }
        std::array<char, 3> hex{};
        std::snprintf(hex.data(), hex.size(), "%02X", bytes[i]);
        text += hex.data();
    }
    return text;
}

} // namespace deskmap
