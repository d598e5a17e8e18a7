#pragma once

#include <string>

namespace deskmap {

// A random (version 4) UUID in upper-case hexadecimal with hyphens.
std::string randomUUID();

} // namespace deskmap
