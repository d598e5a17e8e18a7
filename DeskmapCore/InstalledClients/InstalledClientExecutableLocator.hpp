#pragma once

#include "DeskmapCore/InstalledClients/InstalledClient.hpp"

#include <functional>
#include <map>
#include <optional>
#include <string>

namespace deskmap {

// Finds a client's executable: the PATH directories in order, then
// /opt/homebrew/bin, /usr/local/bin, ~/.local/bin and ~/bin; each directory
// string once (no normalization). Never fails and caches nothing.
class InstalledClientExecutableLocator {
public:
    using ExecutableCheck = std::function<bool(const std::string& path)>;

    InstalledClientExecutableLocator(std::map<std::string, std::string> environment,
                                     std::string homeDirectory,
                                     ExecutableCheck isExecutable = isExecutableFile);

    // This process's environment and the user's home directory.
    static InstalledClientExecutableLocator forCurrentProcess();

    // A regular file that this process may execute.
    static bool isExecutableFile(const std::string& path);

    // The path of the first executable found, as an absolute path: a child
    // runs in another working directory, where a relative path would point
    // elsewhere.
    std::optional<std::string> locate(InstalledClient client) const;

    const std::map<std::string, std::string>& environment() const { return environment_; }
    const std::string& homeDirectory() const { return homeDirectory_; }

private:
    std::map<std::string, std::string> environment_;
    std::string homeDirectory_;
    ExecutableCheck isExecutable_;
};

} // namespace deskmap
