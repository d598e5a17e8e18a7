#include "XdgAutostart.hpp"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace deskmap::platform {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const std::string& what, const fs::path& path, int error) {
    throw AutostartError("Could not " + what + " \"" + path.string() +
                         "\": " + std::strerror(error) + ".");
}

// An Exec argument: quoted when it holds anything the field would
// interpret, with the quoting rules' escapes, then the string escapes of
// the file format (a backslash doubled once more).
std::string execArgument(const std::string& argument) {
    bool needsQuotes = argument.empty();
    std::string quoted;
    for (const char c : argument) {
        if (std::strchr(" \t\n\r\"'\\><~|&;$*?#()`=%", c)) {
            needsQuotes = true;
        }
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        if (c == '%') {
            quoted += '%'; // field codes start with %
        }
        quoted += c;
    }
    // Line breaks and tabs as the format's escapes: a raw line break would
    // end the Exec line and start another of the path's choosing.
    std::string escaped;
    for (const char c : needsQuotes ? quoted : argument) {
        switch (c) {
        case '\\':
            escaped += "\\\\";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\r':
            escaped += "\\r";
            break;
        case '\t':
            escaped += "\\t";
            break;
        default:
            escaped += c;
        }
    }
    return needsQuotes ? "\"" + escaped + "\"" : escaped;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string executableOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string entries = path ? path : "";
    std::size_t start = 0;
    while (start <= entries.size()) {
        const auto end = std::min(entries.find(':', start), entries.size());
        const auto folder = entries.substr(start, end - start);
        if (!folder.empty() && folder[0] == '/') {
            const auto candidate = fs::path(folder) / name;
            if (::access(candidate.c_str(), X_OK) == 0) {
                return candidate.string();
            }
        }
        start = end + 1;
    }
    return "";
}

} // namespace

XdgAutostart::XdgAutostart(fs::path folder, std::string entryName, fs::path executable)
    : folder_(std::move(folder)), entryName_(std::move(entryName)),
      executable_(std::move(executable)) {}

fs::path XdgAutostart::standardFolder() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome && configHome[0] == '/') {
        return fs::path(configHome) / "autostart";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : "") / ".config" / "autostart";
}

fs::path XdgAutostart::currentExecutable() {
    std::error_code error;
    const auto path = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path("deskmap") : programAt(path.string());
}

fs::path XdgAutostart::programAt(std::string linkTarget) {
    // A program replaced while it runs (a package upgrade) reads so; the
    // file now at its path is the one to start at the next login.
    constexpr std::string_view deleted = " (deleted)";
    if (linkTarget.ends_with(deleted)) {
        linkTarget.resize(linkTarget.size() - deleted.size());
    }
    return linkTarget;
}

XdgAutostart::State XdgAutostart::state() const {
    const auto path = entryPath();
    std::error_code error;
    const auto status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) {
        return State::absent;
    }
    std::ifstream in(path);
    if (error || !fs::is_regular_file(status) || !in) {
        return State::unreadable;
    }
    bool inMainGroup = false;
    bool sawMainGroup = false;
    State state = State::enabled;
    std::string line;
    while (std::getline(in, line)) {
        line = trimmed(line);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (line[0] == '[') {
            inMainGroup = line == "[Desktop Entry]";
            sawMainGroup = sawMainGroup || inMainGroup;
            continue;
        }
        const auto equals = line.find('=');
        if (!inMainGroup || equals == std::string::npos) {
            continue;
        }
        const auto key = trimmed(line.substr(0, equals));
        const auto value = trimmed(line.substr(equals + 1));
        if ((key == "Hidden" && value == "true") ||
            (key == "X-GNOME-Autostart-enabled" && value == "false")) {
            state = State::disabled;
        }
    }
    return sawMainGroup ? state : State::unreadable;
}

std::string XdgAutostart::entryText() const {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Version=1.0\n"
           "Name=Deskmap\n"
           "Comment=Map of your workspaces\n"
           "Exec=" +
           execArgument(executable_.string()) +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

void XdgAutostart::install() const {
    std::error_code error;
    fs::create_directories(folder_, error);
    if (error) {
        fail("create the autostart folder", folder_, error.value());
    }
    const auto path = entryPath();
    std::string name = path.string() + ".XXXXXX";
    const int descriptor = ::mkstemp(name.data());
    if (descriptor < 0) {
        fail("write the autostart entry", path, errno);
    }
    const auto text = entryText();
    const bool written =
        ::fchmod(descriptor, 0644) == 0 &&
        ::write(descriptor, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
        ::fsync(descriptor) == 0;
    const int writeError = errno;
    ::close(descriptor);
    if (!written || ::rename(name.c_str(), path.c_str()) != 0) {
        const int renameError = written ? errno : writeError;
        ::unlink(name.c_str());
        fail("write the autostart entry", path, renameError);
    }
}

void XdgAutostart::uninstall() const {
    const auto path = entryPath();
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        fail("remove the autostart entry", path, errno);
    }
}

bool XdgAutostart::reveal() const {
    const auto opener = executableOnPath("xdg-open");
    if (opener.empty()) {
        return false;
    }
    std::error_code ignored;
    fs::create_directories(folder_, ignored);
    const auto folder = folder_.string();
    std::array<char*, 3> arguments{const_cast<char*>(opener.c_str()),
                                   const_cast<char*>(folder.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    const int result =
        posix_spawn(&pid, opener.c_str(), &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        return false;
    }
    // The opener hands over to the file manager and exits; reap it without
    // making the caller wait.
    std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
    return true;
}

} // namespace deskmap::platform
