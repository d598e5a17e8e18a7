#pragma once

#include <string>
#include <string_view>

namespace deskmap::platform {

// Text that claims to be UTF-8, with every ill-formed sequence replaced by
// U+FFFD: other programs may hand over any bytes they like.
std::string wellFormedUTF8(std::string_view text);

} // namespace deskmap::platform
