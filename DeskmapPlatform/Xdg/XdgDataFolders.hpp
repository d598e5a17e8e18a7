#pragma once

#include <filesystem>
#include <vector>

namespace deskmap::platform {

// The folders the desktop looks in for shared data, most important first:
// $XDG_DATA_HOME (else ~/.local/share), then $XDG_DATA_DIRS (else
// /usr/local/share and /usr/share).
std::vector<std::filesystem::path> xdgDataFolders();

} // namespace deskmap::platform
