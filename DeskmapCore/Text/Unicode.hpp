#pragma once

#include <string>
#include <string_view>

namespace deskmap::Unicode {

// The canonical composition (NFC) of UTF-8 text, so that canonically
// equivalent texts compare equal byte for byte; byte order of the result is
// code-point order. Ill-formed sequences come out as U+FFFD.
std::string canonicalComposition(std::string_view utf8);

} // namespace deskmap::Unicode
