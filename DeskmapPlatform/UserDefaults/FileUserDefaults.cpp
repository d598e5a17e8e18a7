#include "FileUserDefaults.hpp"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace deskmap::platform {

namespace {

namespace fs = std::filesystem;

struct Loaded {
    enum class Kind { missing, valid, unusable } kind = Kind::missing;
    nlohmann::json object = nlohmann::json::object();
};

Loaded load(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::error_code ignored;
        return {fs::exists(file, ignored) ? Loaded::Kind::unusable : Loaded::Kind::missing,
                nlohmann::json::object()};
    }
    std::stringstream text;
    text << in.rdbuf();
    auto parsed = nlohmann::json::parse(text.str(), nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object()) {
        return {Loaded::Kind::unusable, nlohmann::json::object()};
    }
    return {Loaded::Kind::valid, std::move(parsed)};
}

[[noreturn]] void fail(const std::string& what, const fs::path& path, int error) {
    throw UserDefaultsError("Could not " + what + " \"" + path.string() +
                            "\": " + std::strerror(error) + ".");
}

// Moves an unusable settings file out of the way without overwriting an
// earlier one.
void keepAside(const fs::path& file) {
    fs::path target = file;
    target += ".corrupt";
    for (int attempt = 1; fs::exists(target) || fs::is_symlink(target); ++attempt) {
        target = file;
        target += ".corrupt." + std::to_string(attempt);
    }
    if (::rename(file.c_str(), target.c_str()) != 0) {
        fail("set aside the unreadable settings file", file, errno);
    }
}

void ensureFolder(const fs::path& folder) {
    std::error_code error;
    if (fs::is_directory(folder, error)) {
        return;
    }
    fs::create_directories(folder.parent_path(), error);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        fail("create the settings folder", folder, errno);
    }
}

void writeAtomically(const fs::path& file, const std::string& contents) {
    ensureFolder(file.parent_path());
    std::string name = file.string() + ".XXXXXX";
    const int descriptor = ::mkstemp(name.data());
    if (descriptor < 0) {
        fail("write the settings file", file, errno);
    }
    const fs::path temporary = name;
    auto abandon = [&](int error) {
        ::close(descriptor);
        ::unlink(temporary.c_str());
        fail("write the settings file", file, error);
    };
    if (::fchmod(descriptor, 0600) != 0) {
        abandon(errno);
    }
    std::size_t written = 0;
    while (written < contents.size()) {
        const auto result =
            ::write(descriptor, contents.data() + written, contents.size() - written);
        if (result < 0) {
            if (errno == EINTR) {
                continue;
            }
            abandon(errno);
        }
        written += static_cast<std::size_t>(result);
    }
    if (::fsync(descriptor) != 0) {
        abandon(errno);
    }
    ::close(descriptor);
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        fail("write the settings file", file, error);
    }
}

} // namespace

FileUserDefaults::FileUserDefaults(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path FileUserDefaults::standardLocation() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    if (configHome && configHome[0] == '/') {
        return fs::path(configHome) / "deskmap" / "defaults.json";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : "") / ".config" / "deskmap" / "defaults.json";
}

std::optional<nlohmann::json> FileUserDefaults::value(const std::string& key) const {
    const auto loaded = load(file_);
    const auto found = loaded.object.find(key);
    if (found == loaded.object.end()) {
        return std::nullopt;
    }
    return *found;
}

template <class Change> void FileUserDefaults::update(Change change) {
    std::lock_guard lock(mutex_);
    auto loaded = load(file_);
    if (!change(loaded.object)) {
        return;
    }
    if (loaded.kind == Loaded::Kind::unusable) {
        keepAside(file_);
    }
    writeAtomically(
        file_, loaded.object.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
}

void FileUserDefaults::set(const std::string& key, const nlohmann::json& value) {
    update([&](nlohmann::json& object) {
        object[key] = value;
        return true;
    });
}

void FileUserDefaults::remove(const std::string& key) {
    update([&](nlohmann::json& object) { return object.erase(key) > 0; });
}

} // namespace deskmap::platform
