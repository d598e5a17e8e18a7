#include "ModuleLoader.hpp"

#include <dlfcn.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace deskmap::platform {

namespace {

namespace fs = std::filesystem;

// Where a module may be: beside an installed program
// (../lib/deskmap/modules), or
// in the build tree the program was built in when it runs from there.
// Explicit paths, because a sanitizer's dlopen interceptor hides the
// program's own run path from the loader.
std::vector<fs::path> candidates(const char* library) {
    std::vector<fs::path> paths;
    std::error_code error;
    const auto program = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        return paths;
    }
    paths.push_back(program.parent_path().parent_path() / "lib" / "deskmap" / "modules" / library);
    const fs::path buildTree(DESKMAP_BUILD_DIRECTORY);
    const auto relative = program.lexically_relative(buildTree);
    if (!relative.empty() && *relative.begin() != "..") {
        paths.push_back(fs::path(DESKMAP_MODULE_DIRECTORY) / library);
    }
    return paths;
}

} // namespace

void* openModule(const char* library, const std::vector<fs::path>& paths) {
    std::string reason = "not found";
    for (const auto& path : paths) {
        std::error_code error;
        if (!fs::exists(path, error)) {
            continue;
        }
        if (!isTrustedLocation(path, ::getuid())) {
            reason = path.string() + " could be changed by another user";
            continue;
        }
        if (void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            return handle;
        }
        const char* message = ::dlerror();
        reason = message ? message : "unknown error";
    }
    throw ModuleError(std::string("could not load ") + library + ": " + reason);
}

void* moduleSymbol(const char* library, const char* symbol) {
    static std::mutex mutex;
    static std::map<std::string, void*> handles;
    std::lock_guard lock(mutex);
    auto& handle = handles[library];
    if (handle == nullptr) {
        handle = openModule(library, candidates(library));
    }
    ::dlerror();
    void* address = ::dlsym(handle, symbol);
    if (address == nullptr) {
        throw ModuleError(std::string(library) + " has no " + symbol);
    }
    return address;
}

bool isTrustedLocation(const fs::path& path, uid_t user) {
    std::error_code error;
    auto current = fs::canonical(path, error);
    if (error) {
        return false;
    }
    bool first = true;
    for (;;) {
        struct stat status {};
        if (::stat(current.c_str(), &status) != 0) {
            return false;
        }
        if (status.st_uid != 0 && status.st_uid != user) {
            return false;
        }
        const bool othersMayWrite = (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
        const bool sticky = S_ISDIR(status.st_mode) && (status.st_mode & S_ISVTX) != 0;
        if (othersMayWrite && (first || !sticky)) {
            return false;
        }
        if (current == current.root_path()) {
            return true;
        }
        current = current.parent_path();
        first = false;
    }
}

} // namespace deskmap::platform
