#include "DeskmapCore/InstalledClients/RunDirectory.hpp"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sys/stat.h>

namespace deskmap {

namespace {

// A random (version 4) UUID in upper-case hexadecimal with hyphens.
std::string randomUUID() {
    std::random_device entropy;
    std::array<unsigned char, 16> bytes{};
    for (auto& byte : bytes) {
        byte = static_cast<unsigned char>(entropy() & 0xFF);
    }
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text += '-';
        }
        std::array<char, 3> hex{};
        std::snprintf(hex.data(), hex.size(), "%02X", bytes[i]);
        text += hex.data();
    }
    return text;
}

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
    : path_(temporaryDirectory / ("Deskmap-" + randomUUID())) {
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
