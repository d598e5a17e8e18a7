#pragma once

#include "DeskmapPlatform/UserDefaults/UserDefaults.hpp"

#include <filesystem>
#include <mutex>

namespace deskmap::platform {

// Defaults kept in one JSON object in a file, shared by every process of the
// user: each read looks at the file as it is now, each write replaces it
// atomically (a temporary file renamed over it), readable by the owner only.
//
// A file that is not a JSON object is never silently lost: reads treat it as
// empty, and the first write moves it aside (to "<name>.corrupt", numbered
// when that exists) before writing a fresh file.
class FileUserDefaults final : public UserDefaults {
public:
    explicit FileUserDefaults(std::filesystem::path file);

    // $XDG_CONFIG_HOME/deskmap/defaults.json, else ~/.config/deskmap/defaults.json.
    static std::filesystem::path standardLocation();

    const std::filesystem::path& file() const { return file_; }

    std::optional<nlohmann::json> value(const std::string& key) const override;
    void set(const std::string& key, const nlohmann::json& value) override;
    void remove(const std::string& key) override;

private:
    // Applies `change` (which says whether it changed anything) and writes
    // the result.
    template <class Change> void update(Change change);

    std::filesystem::path file_;
    mutable std::mutex mutex_; // serializes this process's writes
};

} // namespace deskmap::platform
