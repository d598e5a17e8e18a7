#include "DeskmapPlatform/KWin/DesktopEntryNames.hpp"

#include "DeskmapPlatform/Text/WellFormedUTF8.hpp"
#include "DeskmapPlatform/Xdg/XdgDataFolders.hpp"

#include <algorithm>
#include <fstream>

namespace deskmap::platform::KWin {

namespace {

namespace fs = std::filesystem;

// Desktop entries are small; a longer one is not read past this.
constexpr std::size_t longestEntry = 256 * 1024;
constexpr std::size_t longestName = 255;
constexpr std::size_t rememberedNames = 512;

bool plainFileName(const std::string& name) {
    return !name.empty() && name.size() <= longestName && name.front() != '.' &&
           std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '-' || c == '_' || c == '+';
           });
}

// The unlocalized Name= of the [Desktop Entry] group.
std::optional<std::string> entryName(const fs::path& path) {
    std::ifstream file(path);
    if (!file) {
        return std::nullopt;
    }
    std::string line;
    bool inEntry = false;
    std::size_t read = 0;
    while (read < longestEntry && std::getline(file, line)) {
        read += line.size() + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
        } else if (inEntry && line.rfind("Name", 0) == 0) {
            auto rest = line.substr(4);
            const auto equals = rest.find('=');
            if (equals == std::string::npos ||
                rest.find_first_not_of(' ') != equals) { // Name[de]=, NameX=
                continue;
            }
            auto value = rest.substr(equals + 1);
            value.erase(0, value.find_first_not_of(' '));
            if (!value.empty()) {
                // Outside text: well-formed, and cut between characters.
                value = wellFormedUTF8(value);
                if (value.size() > longestName) {
                    auto cut = longestName;
                    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) {
                        --cut;
                    }
                    value.resize(cut);
                }
                return value;
            }
        }
    }
    return std::nullopt;
}

} // namespace

DesktopEntryNames::DesktopEntryNames(std::vector<fs::path> folders)
    : folders_(folders.empty() ? xdgDataFolders() : std::move(folders)) {}

std::optional<std::string> DesktopEntryNames::name(const std::string& desktopFile) {
    std::string file = desktopFile;
    if (file.size() > 8 && file.compare(file.size() - 8, 8, ".desktop") == 0) {
        file.resize(file.size() - 8);
    }
    if (!plainFileName(file)) {
        return std::nullopt;
    }
    std::lock_guard lock(mutex_);
    if (const auto known = found_.find(file); known != found_.end()) {
        return known->second;
    }
    std::optional<std::string> name;
    for (const auto& folder : folders_) {
        if ((name = entryName(folder / "applications" / (file + ".desktop")))) {
            break;
        }
    }
    // Windows choose the names looked up: the memory of them is bounded.
    if (found_.size() >= rememberedNames) {
        found_.clear();
    }
    found_[file] = name;
    return name;
}

} // namespace deskmap::platform::KWin
