#pragma once

#include <filesystem>

namespace deskmap {

// A private directory for one client run: "Deskmap-<UUID>" with an empty
// "workspace" inside, both owner-only (0700), since the temporary directory
// is shared with every other user. Removed with everything in it when the
// object goes away.
class RunDirectory {
public:
    // Throws std::filesystem::filesystem_error when it cannot be created.
    explicit RunDirectory(const std::filesystem::path& temporaryDirectory);
    ~RunDirectory();
    RunDirectory(const RunDirectory&) = delete;
    RunDirectory& operator=(const RunDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path workspace() const { return path_ / "workspace"; }

    // $TMPDIR when set and not empty, else /tmp.
    static std::filesystem::path defaultTemporaryDirectory();

private:
    std::filesystem::path path_;
};

} // namespace deskmap
