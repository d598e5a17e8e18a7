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

} // namespace deskmap
