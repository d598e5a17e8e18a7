#pragma once

#include <string>
#include <string_view>

namespace deskmap::TerminalSanitizer {

// Replaces every control character (U+0000–U+001F, U+007F, U+0080–U+009F,
// newline and tab included) and every ill-formed UTF-8 sequence with U+FFFD,
// so text from other applications or a model can neither break a line nor
// drive the terminal.
std::string sanitize(std::string_view text);

} // namespace deskmap::TerminalSanitizer
