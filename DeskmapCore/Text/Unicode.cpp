#include "DeskmapCore/Text/Unicode.hpp"

#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>

#include <algorithm>
#include <stdexcept>

namespace deskmap::Unicode {

std::string canonicalComposition(std::string_view utf8) {
    // ASCII is always in canonical form; most app names and titles are.
    if (std::all_of(utf8.begin(), utf8.end(),
                    [](char byte) { return static_cast<unsigned char>(byte) < 0x80; })) {
        return std::string(utf8);
    }
    UErrorCode status = U_ZERO_ERROR;
    const auto* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("Unicode normalization is unavailable: ") +
                                 u_errorName(status));
    }
    std::string composed;
    icu::StringByteSink<std::string> sink(&composed, static_cast<int32_t>(utf8.size()));
    nfc->normalizeUTF8(0, icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())), sink,
                       nullptr, status);
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("Unicode normalization failed: ") +
                                 u_errorName(status));
    }
    return composed;
}

} // namespace deskmap::Unicode
