#include "DeskmapCore/Text/Unicode.hpp"

#include <unicode/brkiter.h>
#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>

namespace deskmap::Unicode {

namespace {

std::string normalized(std::string_view utf8, bool compatibility) {
    // ASCII is always in normal form; most app names and titles are.
    if (std::all_of(utf8.begin(), utf8.end(),
                    [](char byte) { return static_cast<unsigned char>(byte) < 0x80; })) {
        return std::string(utf8);
    }
    UErrorCode status = U_ZERO_ERROR;
    const auto* nfc = compatibility ? icu::Normalizer2::getNFKCInstance(status)
                                    : icu::Normalizer2::getNFCInstance(status);
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

} // namespace

std::string canonicalComposition(std::string_view utf8) {
    return normalized(utf8, false);
}

std::string compatibilityComposition(std::string_view utf8) {
    return normalized(utf8, true);
}

std::string caseFolded(std::string_view utf8) {
    if (std::all_of(utf8.begin(), utf8.end(),
                    [](char byte) { return static_cast<unsigned char>(byte) < 0x80; })) {
        std::string lower(utf8);
        std::transform(lower.begin(), lower.end(), lower.begin(), [](char byte) {
            return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte;
        });
        return lower;
    }
    auto text = icu::UnicodeString::fromUTF8(
        icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
    std::string result;
    text.foldCase().toUTF8String(result);
    return result;
}

std::string searchFolded(std::string_view utf8) {
    if (std::all_of(utf8.begin(), utf8.end(),
                    [](char byte) { return static_cast<unsigned char>(byte) < 0x80; })) {
        return caseFolded(utf8);
    }
    UErrorCode status = U_ZERO_ERROR;
    const auto* nfd = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("Unicode normalization is unavailable: ") +
                                 u_errorName(status));
    }
    const auto decomposed = nfd->normalize(icu::UnicodeString::fromUTF8(icu::StringPiece(
                                               utf8.data(), static_cast<int32_t>(utf8.size()))),
                                           status);
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("Unicode normalization failed: ") +
                                 u_errorName(status));
    }
    icu::UnicodeString bare;
    for (int32_t at = 0; at < decomposed.length();) {
        const UChar32 scalar = decomposed.char32At(at);
        if (u_charType(scalar) != U_NON_SPACING_MARK) {
            bare.append(scalar);
        }
        at += U16_LENGTH(scalar);
    }
    std::string result;
    bare.foldCase().toUTF8String(result);
    return canonicalComposition(result);
}

namespace {

int32_t length32(std::string_view text) {
    return static_cast<int32_t>(text.size());
}

const uint8_t* utf8Bytes(std::string_view text) {
    return reinterpret_cast<const uint8_t*>(text.data());
}

// Creating a break iterator is costly; each thread keeps one.
icu::BreakIterator& characterBreaks() {
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> created(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status) || !created) {
            throw std::runtime_error(std::string("grapheme segmentation is unavailable: ") +
                                     u_errorName(status));
        }
        return created;
    }();
    return *iterator;
}

} // namespace

std::string trimmedWhitespaceAndNewlines(std::string_view text) {
    // One pass: the kept part runs from the first scalar that is not white
    // space to the end of the last one.
    const auto length = length32(text);
    int32_t start = -1;
    int32_t end = 0;
    int32_t offset = 0;
    while (offset < length) {
        const auto scalarStart = offset;
        UChar32 scalar = 0;
        U8_NEXT(utf8Bytes(text), offset, length, scalar);
        if (scalar < 0 || !u_isUWhiteSpace(scalar)) {
            if (start < 0) {
                start = scalarStart;
            }
            end = offset;
        }
    }
    if (start < 0) {
        return {};
    }
    return std::string(
        text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
}

namespace {

// Calls `visit` with the byte range of each user-perceived character, in
// order, until it returns false.
void forEachGrapheme(std::string_view utf8,
                     const std::function<bool(int32_t start, int32_t end)>& visit) {
    if (utf8.empty()) {
        return;
    }
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UText, UText* (*)(UText*)> text(
        utext_openUTF8(nullptr, utf8.data(), length32(utf8), &status), utext_close);
    if (U_SUCCESS(status)) {
        auto& breaks = characterBreaks();
        breaks.setText(text.get(), status);
        if (U_SUCCESS(status)) {
            int32_t start = breaks.first();
            for (int32_t end = breaks.next(); end != icu::BreakIterator::DONE && visit(start, end);
                 start = end, end = breaks.next()) {
            }
        }
    }
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("text could not be segmented: ") +
                                 u_errorName(status));
    }
}

} // namespace

std::size_t graphemeCount(std::string_view utf8) {
    std::size_t count = 0;
    forEachGrapheme(utf8, [&count](int32_t, int32_t) {
        ++count;
        return true;
    });
    return count;
}

std::string truncatedToGraphemes(std::string_view utf8, std::size_t maximum,
                                 std::size_t maximumScalarsPerGrapheme) {
    std::string kept;
    std::size_t count = 0;
    forEachGrapheme(utf8, [&](int32_t start, int32_t end) {
        if (count == maximum) {
            kept += "\u2026";
            return false;
        }
        ++count;
        // The cluster's first code points, up to the limit.
        int32_t offset = start;
        for (std::size_t scalars = 0; offset < end && scalars < maximumScalarsPerGrapheme;
             ++scalars) {
            U8_FWD_1(utf8.data(), offset, end);
        }
        kept.append(
            utf8.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(offset - start)));
        return true;
    });
    return kept;
}

bool anyScalar(std::string_view utf8, bool (*test)(std::int32_t scalar)) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(utf8.data());
    const auto length = length32(utf8);
    int32_t offset = 0;
    while (offset < length) {
        UChar32 scalar = 0;
        U8_NEXT(bytes, offset, length, scalar);
        if (scalar >= 0 && test(scalar)) {
            return true;
        }
    }
    return false;
}

std::string repairedUTF8(std::string_view bytes) {
    std::string repaired;
    repaired.reserve(bytes.size());
    const auto length = length32(bytes);
    int32_t offset = 0;
    while (offset < length) {
        const auto start = offset;
        UChar32 scalar = 0;
        U8_NEXT(utf8Bytes(bytes), offset, length, scalar);
        if (scalar < 0) {
            repaired += "\xEF\xBF\xBD";
        } else {
            repaired.append(bytes.substr(static_cast<std::size_t>(start),
                                         static_cast<std::size_t>(offset - start)));
        }
    }
    return repaired;
}

} // namespace deskmap::Unicode
