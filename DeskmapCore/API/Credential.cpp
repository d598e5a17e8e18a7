#include "DeskmapCore/API/Credential.hpp"

#include "DeskmapCore/Text/Unicode.hpp"

namespace deskmap {

bool isUsableCredential(std::string_view credential) {
    return !Unicode::trimmedWhitespaceAndNewlines(credential).empty();
}

std::string requireUsableCredential(std::string credential, const DeskmapError& missing) {
    if (!isUsableCredential(credential)) {
        throw missing;
    }
    return credential;
}

std::string singleLineCredential(std::string_view credential) {
    auto trimmed = Unicode::trimmedWhitespaceAndNewlines(credential);
    for (const char byte : trimmed) {
        const auto code = static_cast<unsigned char>(byte);
        if (code < 0x20 || code == 0x7F) {
            throw InvalidCredentialError();
        }
    }
    return trimmed;
}

} // namespace deskmap
