#include "DeskmapPlatform/Xdg/XdgDataFolders.hpp"

#include <cstdlib>
#include <sstream>
#include <string>

namespace deskmap::platform {

std::vector<std::filesystem::path> xdgDataFolders() {
    std::vector<std::filesystem::path> folders;
    if (const char* home = std::getenv("XDG_DATA_HOME"); home && *home) {
        folders.emplace_back(home);
    } else if (const char* user = std::getenv("HOME"); user && *user) {
        folders.push_back(std::filesystem::path(user) / ".local/share");
    }
    const char* data = std::getenv("XDG_DATA_DIRS");
    std::istringstream dirs(data && *data ? data : "/usr/local/share:/usr/share");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (!dir.empty()) {
            folders.emplace_back(dir);
        }
    }
    return folders;
}

} // namespace deskmap::platform
