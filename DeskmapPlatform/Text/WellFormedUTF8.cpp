#include "WellFormedUTF8.hpp"

#include <unicode/utf8.h>

#include <cstdint>

namespace deskmap::platform {

std::string wellFormedUTF8(std::string_view text) {
    constexpr std::string_view replacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t offset = 0;
    while (offset < length) {
        const auto start = offset;
        UChar32 scalar = 0;
        U8_NEXT(bytes, offset, length, scalar);
        if (scalar < 0) {
            out += replacement;
        } else {
            out.append(text.substr(static_cast<std::size_t>(start),
                                   static_cast<std::size_t>(offset - start)));
        }
    }
    return out;
}

} // namespace deskmap::platform
