#pragma once

#include <string>
#include <string_view>

// Window titles arrive in the encodings X clients use; everything leaves as
// UTF-8.
namespace deskmap::platform::X11Text {

// ISO 8859-1 (the STRING type) to UTF-8.
std::string latin1ToUTF8(std::string_view text);

// COMPOUND_TEXT to UTF-8: Latin-1 text and embedded UTF-8 segments are kept;
// characters of any other character set become U+FFFD.
std::string compoundTextToUTF8(std::string_view text);

} // namespace deskmap::platform::X11Text
