#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <vector>

namespace deskmap::platform {

class ModuleError : public std::runtime_error {
public:
    explicit ModuleError(const std::string& message) : std::runtime_error(message) {}
};

// The address of `symbol` in the program's module `library`, loaded once and
// kept for the life of the process. Throws ModuleError naming what failed.
// Modules come only from the installed layout beside the program
// (../lib/deskmap/modules) or, for a program run from its build tree, that tree's
// module folder; never from the library path, and never from a place
// another user could have written.
void* moduleSymbol(const char* library, const char* symbol);

// The first of `paths` that exists, loaded, unless another user could have
// written it; throws ModuleError with the reason when none was loaded.
void* openModule(const char* library, const std::vector<std::filesystem::path>& paths);

// Whether `path` and every folder above it belong to root or `user` and no
// one else may change them (a sticky folder, as /tmp, protects what others
// own in it, so it may be above).
bool isTrustedLocation(const std::filesystem::path& path, uid_t user);

} // namespace deskmap::platform
