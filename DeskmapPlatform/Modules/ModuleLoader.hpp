#pragma once

#include <stdexcept>
#include <string>

namespace deskmap::platform {

class ModuleError : public std::runtime_error {
public:
    explicit ModuleError(const std::string& message) : std::runtime_error(message) {}
};

// The address of `symbol` in the program's module `library`, loaded once and
// kept for the life of the process. Throws ModuleError naming what failed.
void* moduleSymbol(const char* library, const char* symbol);

} // namespace deskmap::platform
