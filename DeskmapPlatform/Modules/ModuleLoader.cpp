#include "ModuleLoader.hpp"

#include <dlfcn.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <vector>

namespace deskmap::platform {

namespace {

namespace fs = std::filesystem;

// Where a module may be: beside an installed program (../lib/deskmap), in
// the build tree the program was built in, or on the library path. Explicit
// paths, because a sanitizer's dlopen interceptor hides the program's own
// run path from the loader.
std::vector<std::string> candidates(const char* library) {
    std::vector<std::string> paths;
    std::error_code error;
    const auto program = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        paths.push_back((program.parent_path() / ".." / "lib" / "deskmap" / library).string());
    }
    paths.push_back((fs::path(DESKMAP_MODULE_DIRECTORY) / library).string());
    paths.emplace_back(library);
    return paths;
}

void* open(const char* library) {
    std::string reason;
    for (const auto& path : candidates(library)) {
        std::error_code error;
        if (path.find('/') != std::string::npos && !fs::exists(path, error)) {
            continue;
        }
        if (void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            return handle;
        }
        const char* message = ::dlerror();
        reason = message ? message : "unknown error";
    }
    throw ModuleError(std::string("could not load ") + library + ": " +
                      (reason.empty() ? "not found" : reason));
}

} // namespace

void* moduleSymbol(const char* library, const char* symbol) {
    static std::mutex mutex;
    static std::map<std::string, void*> handles;
    std::lock_guard lock(mutex);
    auto& handle = handles[library];
    if (handle == nullptr) {
        handle = open(library);
    }
    ::dlerror();
    void* address = ::dlsym(handle, symbol);
    if (address == nullptr) {
        throw ModuleError(std::string(library) + " has no " + symbol);
    }
    return address;
}

} // namespace deskmap::platform
