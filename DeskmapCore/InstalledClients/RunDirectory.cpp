#include "DeskmapCore/InstalledClients/RunDirectory.hpp"

#include "DeskmapCore/Support/RandomUUID.hpp"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

namespace deskmap {

namespace {

// mkdir, not create_directories: it fails if anything (a planted directory
// or symbolic link) already has the name, and it sets the mode at creation.
void makePrivateDirectory(const std::filesystem::path& path) {
    if (::mkdir(path.c_str(), 0700) != 0) {
        throw std::filesystem::filesystem_error("could not create the run directory", path,
                                                std::error_code(errno, std::generic_category()));
    }
}

} // namespace

RunDirectory::RunDirectory(const std::filesystem::path& temporaryDirectory)
    // Absolute, since the client starts inside the workspace: a relative
    // TMPDIR would make every path handed to it point somewhere else.
    : path_(std::filesystem::absolute(temporaryDirectory) / ("Deskmap-" + randomUUID())) {
    makePrivateDirectory(path_);
    try {
        makePrivateDirectory(workspace());
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
        throw;
    }
}

RunDirectory::~RunDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path RunDirectory::defaultTemporaryDirectory() {
    const char* variable = std::getenv("TMPDIR");
    return variable != nullptr && *variable != '\0' ? std::filesystem::path(variable)
                                                    : std::filesystem::path("/tmp");
}

} // namespace deskmap
