#include "ModuleLoader.hpp"

#include <dlfcn.h>
#include <map>
#include <mutex>

namespace deskmap::platform {

void* moduleSymbol(const char* library, const char* symbol) {
    static std::mutex mutex;
    static std::map<std::string, void*> handles;
    std::lock_guard lock(mutex);
    auto& handle = handles[library];
    if (handle == nullptr) {
        handle = ::dlopen(library, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char* reason = ::dlerror();
            throw ModuleError(std::string("could not load ") + library + ": " +
                              (reason ? reason : "unknown error"));
        }
    }
    ::dlerror();
    void* address = ::dlsym(handle, symbol);
    if (address == nullptr) {
        throw ModuleError(std::string(library) + " has no " + symbol);
    }
    return address;
}

} // namespace deskmap::platform
