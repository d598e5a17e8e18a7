#include "DeskmapCore/InstalledClients/InstalledClientExecutableLocator.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace deskmap {

namespace {

std::vector<std::string> pathPieces(const std::string& path) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start <= path.size()) {
        const auto end = std::min(path.find(':', start), path.size());
        if (end > start) {
            pieces.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return pieces;
}

std::string appendingComponent(const std::string& directory, const std::string& component) {
    if (directory.empty() || directory.back() == '/') {
        return directory + component;
    }
    return directory + "/" + component;
}

} // namespace

InstalledClientExecutableLocator::InstalledClientExecutableLocator(
    std::map<std::string, std::string> environment, std::string homeDirectory,
    ExecutableCheck isExecutable)
    : environment_(std::move(environment)), homeDirectory_(std::move(homeDirectory)),
      isExecutable_(std::move(isExecutable)) {}

InstalledClientExecutableLocator InstalledClientExecutableLocator::forCurrentProcess() {
    std::map<std::string, std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const auto equals = text.find('=');
        if (equals != std::string::npos) {
            environment.emplace(text.substr(0, equals), text.substr(equals + 1));
        }
    }
    std::string home;
    if (const char* variable = std::getenv("HOME"); variable != nullptr && *variable != '\0') {
        home = variable;
    } else if (const passwd* user = ::getpwuid(::getuid()); user != nullptr) {
        home = user->pw_dir;
    }
    return InstalledClientExecutableLocator(std::move(environment), std::move(home));
}

bool InstalledClientExecutableLocator::isExecutableFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::optional<std::string> InstalledClientExecutableLocator::locate(InstalledClient client) const {
    const auto path = environment_.find("PATH");
    auto directories = pathPieces(path == environment_.end() ? std::string() : path->second);
    directories.insert(directories.end(), {"/opt/homebrew/bin", "/usr/local/bin",
                                           appendingComponent(homeDirectory_, ".local/bin"),
                                           appendingComponent(homeDirectory_, "bin")});

    std::set<std::string> seen;
    const auto names = executableNames(client);
    for (const auto& directory : directories) {
        if (!seen.insert(directory).second) {
            continue;
        }
        for (const auto& name : names) {
            const auto candidate = appendingComponent(directory, name);
            if (isExecutable_(candidate)) {
                std::error_code error;
                const auto absolute = std::filesystem::absolute(candidate, error);
                return error ? candidate : absolute.string();
            }
        }
    }
    return std::nullopt;
}

} // namespace deskmap
