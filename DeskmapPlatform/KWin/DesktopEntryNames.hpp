#pragma once

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace deskmap::platform::KWin {

// Apps' names as users know them, from their desktop entries' Name= in the
// XDG data folders ("org.kde.dolphin" is "Dolphin"). A window chooses its
// own desktop-file name, so a name that is not a plain file name is never
// looked up.
class DesktopEntryNames {
public:
    // The folders holding applications/ (empty: XDG_DATA_HOME and
    // XDG_DATA_DIRS, as the desktop defines them).
    explicit DesktopEntryNames(std::vector<std::filesystem::path> folders = {});

    // The entry's name, or nothing when there is no such entry.
    std::optional<std::string> name(const std::string& desktopFile);

private:
    std::vector<std::filesystem::path> folders_;
    std::mutex mutex_;
    std::map<std::string, std::optional<std::string>> found_;
};

} // namespace deskmap::platform::KWin
