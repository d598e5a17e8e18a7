#pragma once

#include <string_view>

namespace deskmap {

// Display identifiers name the same display whatever their letter case.
bool sameDisplayID(std::string_view lhs, std::string_view rhs);

} // namespace deskmap
