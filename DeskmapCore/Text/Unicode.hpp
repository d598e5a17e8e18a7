#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace deskmap::Unicode {

// The canonical composition (NFC) of UTF-8 text, so that canonically
// equivalent texts compare equal byte for byte; byte order of the result is
// code-point order. Ill-formed sequences come out as U+FFFD.
std::string canonicalComposition(std::string_view utf8);

// The compatibility composition (NFKC): full-width and other compatibility
// forms become their plain characters ("１２" is "12").
std::string compatibilityComposition(std::string_view utf8);

// Full Unicode case folding, for comparing texts in any case ("Straße" and
// "STRASSE" fold alike). Ill-formed sequences come out as U+FFFD.
std::string caseFolded(std::string_view utf8);

// Text as a search compares it: accents dropped and case folded, so "Ève"
// is found by "eve". Ill-formed sequences come out as U+FFFD.
std::string searchFolded(std::string_view utf8);

} // namespace deskmap::Unicode

namespace deskmap::Unicode {

// `text` without leading and trailing white space and line breaks (the
// Unicode White_Space property: spaces, tabs, CR, LF, NEL, U+2028, …).
std::string trimmedWhitespaceAndNewlines(std::string_view text);

// The number of user-perceived characters (extended grapheme clusters).
std::size_t graphemeCount(std::string_view utf8);

// The first `maximum` user-perceived characters of well-formed `utf8`, with
// "…" for the rest; each keeps at most `maximumScalarsPerGrapheme` code
// points, so a pile of combining marks on one letter stays one short letter.
std::string truncatedToGraphemes(std::string_view utf8, std::size_t maximum,
                                 std::size_t maximumScalarsPerGrapheme = 16);

// Whether `test` holds for any well-formed code point of `utf8`.
bool anyScalar(std::string_view utf8, bool (*test)(std::int32_t scalar));

} // namespace deskmap::Unicode

namespace deskmap::Unicode {

// `bytes` as UTF-8 text, every ill-formed sequence replaced by U+FFFD.
std::string repairedUTF8(std::string_view bytes);

} // namespace deskmap::Unicode
