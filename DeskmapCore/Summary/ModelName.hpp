#pragma once

#include <string_view>

namespace deskmap {

// Whether a model name may go into a request, or be shown as one: one line of
// at most 200 characters, well-formed, without control, line-separating or
// direction-changing characters, and without spaces at either end.
bool isUsableModelName(std::string_view name);

} // namespace deskmap
