#include "DeskmapCore/Text/DisplayText.hpp"

#include "DeskmapCore/Output/TerminalSanitizer.hpp"
#include "DeskmapCore/Text/Unicode.hpp"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace deskmap::DisplayText {

namespace {

constexpr std::string_view firstStrongIsolate = "\u2068";
constexpr std::string_view popDirectionalIsolate = "\u2069";

bool isBidiControl(std::int32_t scalar) {
    return (scalar >= 0x202A && scalar <= 0x202E) || (scalar >= 0x2066 && scalar <= 0x2069);
}

// Anything that takes part in reordering beyond plain left-to-right text.
bool affectsOrder(std::int32_t scalar) {
    if (isBidiControl(scalar)) {
        return true;
    }
    switch (u_charDirection(scalar)) {
    case U_RIGHT_TO_LEFT:
    case U_RIGHT_TO_LEFT_ARABIC:
    case U_ARABIC_NUMBER:
    case U_LEFT_TO_RIGHT_EMBEDDING:
    case U_LEFT_TO_RIGHT_OVERRIDE:
    case U_RIGHT_TO_LEFT_EMBEDDING:
    case U_RIGHT_TO_LEFT_OVERRIDE:
    case U_POP_DIRECTIONAL_FORMAT:
    case U_LEFT_TO_RIGHT_ISOLATE:
    case U_RIGHT_TO_LEFT_ISOLATE:
    case U_FIRST_STRONG_ISOLATE:
    case U_POP_DIRECTIONAL_ISOLATE:
        return true;
    default:
        return false;
    }
}

// `text` (well-formed) without explicit embeddings, overrides and isolates:
// one of its own could close the isolate around it, or leave an override
// open past it.
std::string withoutBidiControls(const std::string& text) {
    std::string kept;
    kept.reserve(text.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    int32_t offset = 0;
    while (offset < length) {
        const auto start = offset;
        UChar32 scalar = 0;
        U8_NEXT(bytes, offset, length, scalar);
        if (!isBidiControl(scalar)) {
            kept.append(text, static_cast<std::size_t>(start),
                        static_cast<std::size_t>(offset - start));
        }
    }
    return kept;
}

} // namespace

std::string shown(std::string_view outside, std::size_t maximumGraphemes) {
    auto text = Unicode::truncatedToGraphemes(
        withoutBidiControls(TerminalSanitizer::sanitize(outside)), maximumGraphemes);
    if (!Unicode::anyScalar(text, affectsOrder)) {
        return text; // plain left-to-right text needs no isolation
    }
    // The isolate's end also ends every embedding and override left open
    // inside it.
    return std::string(firstStrongIsolate) + text + std::string(popDirectionalIsolate);
}

bool hasBidiControls(std::string_view text) {
    return Unicode::anyScalar(text, isBidiControl);
}

} // namespace deskmap::DisplayText
