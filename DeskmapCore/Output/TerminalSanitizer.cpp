#include "DeskmapCore/Output/TerminalSanitizer.hpp"

#include <unicode/utf8.h>

namespace deskmap::TerminalSanitizer {

namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";

bool isControl(UChar32 scalar) {
    return scalar <= 0x1F || (scalar >= 0x7F && scalar <= 0x9F);
}

} // namespace

std::string sanitize(std::string_view text) {
    std::string sanitized;
    sanitized.reserve(text.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    int32_t offset = 0;
    while (offset < length) {
        const auto start = offset;
        UChar32 scalar = 0;
        U8_NEXT(bytes, offset, length, scalar);
        if (scalar < 0 || isControl(scalar)) {
            sanitized += replacementCharacter;
        } else {
            sanitized.append(text.substr(static_cast<std::size_t>(start),
                                         static_cast<std::size_t>(offset - start)));
        }
    }
    return sanitized;
}

} // namespace deskmap::TerminalSanitizer
