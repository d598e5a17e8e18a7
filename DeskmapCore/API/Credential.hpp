#pragma once

#include "DeskmapCore/Errors/DeskmapError.hpp"

#include <string>
#include <string_view>

namespace deskmap {

// A credential is usable only when it is not blank after trimming white
// space and line breaks.
bool isUsableCredential(std::string_view credential);

// `credential` unchanged when usable; otherwise throws `missing`.
std::string requireUsableCredential(std::string credential, const DeskmapError& missing);

} // namespace deskmap
