#include "Support/PrivateSession.hpp"

#include "Support/ChildProcess.hpp"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace deskmap::test {

namespace {

using namespace std::chrono_literals;

// Compositors refuse to run as root; tests run by root run them as nobody.
constexpr uid_t unprivilegedUser = 65534;
constexpr gid_t unprivilegedGroup = 65534;

} // namespace

void waitFor(const std::function<bool()>& done, const std::string& what,
             std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("timed out waiting for " + what);
        }
        std::this_thread::sleep_for(20ms);
    }
}

void stopProcess(pid_t pid, int signal) {
    if (pid <= 0) {
        return;
    }
    ::kill(pid, signal);
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (::waitpid(pid, nullptr, WNOHANG) != 0) {
            return;
        }
        std::this_thread::sleep_for(10ms);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

PrivateSession::PrivateSession() {
    std::string pattern = (std::filesystem::temp_directory_path() / "deskmap-session-XXXXXX");
    if (!::mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    home_ = pattern;
}

PrivateSession::~PrivateSession() {
    for (auto it = processes_.rbegin(); it != processes_.rend(); ++it) {
        stopProcess(*it);
    }
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
}

void PrivateSession::makeUserFolders(const std::vector<std::string>& folders) {
    std::filesystem::permissions(home_, std::filesystem::perms::owner_all |
                                            std::filesystem::perms::group_exec |
                                            std::filesystem::perms::others_exec);
    for (const auto& folder : folders) {
        std::filesystem::create_directories(home_ + folder);
        std::filesystem::permissions(home_ + folder, std::filesystem::perms::owner_all);
    }
    if (::getuid() == 0) {
        for (const auto& path : std::filesystem::recursive_directory_iterator(home_)) {
            if (::lchown(path.path().c_str(), unprivilegedUser, unprivilegedGroup) != 0) {
                throw std::runtime_error("chown failed");
            }
        }
        if (::chown(home_.c_str(), unprivilegedUser, unprivilegedGroup) != 0) {
            throw std::runtime_error("chown failed");
        }
        user_ = unprivilegedUser;
    }
}

pid_t PrivateSession::start(const std::vector<std::string>& command,
                            const std::map<std::string, std::string>& environment, bool asUser) {
    // Everything the child needs is made before fork: only system calls follow it.
    std::vector<std::string> arguments = command;
    std::vector<char*> argv;
    for (auto& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> entries{
        "PATH=" + std::string(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin")};
    for (const auto& [name, value] : environment) {
        entries.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (auto& entry : entries) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    const auto log =
        home_ + "/" + std::filesystem::path(command.front()).filename().string() + ".log";
    const bool dropPrivileges = asUser && ::getuid() == 0;

    const pid_t pid = ::fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDONLY);
        const int output = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        ::dup2(null, STDIN_FILENO);
        ::dup2(output, STDOUT_FILENO);
        ::dup2(output, STDERR_FILENO);
        ::setsid();
        if (dropPrivileges && (::setgroups(0, nullptr) != 0 || ::setgid(unprivilegedGroup) != 0 ||
                               ::setuid(unprivilegedUser) != 0)) {
            ::_exit(126);
        }
        ::execvpe(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    processes_.push_back(pid);
    return pid;
}

std::vector<std::string> PrivateSession::asUser(const std::string& program,
                                                std::vector<std::string> arguments) const {
    std::vector<std::string> command;
    std::string runnable = program;
    // Programs of the system are found on PATH and reachable by anyone.
    const bool ownProgram =
        program.find('/') != std::string::npos && program.rfind("/usr/", 0) != 0;
    if (user_ != ::getuid()) {
        command = {"/usr/bin/setpriv", "--reuid=" + std::to_string(user_),
                   "--regid=" + std::to_string(unprivilegedGroup), "--clear-groups"};
    }
    if (user_ != ::getuid() && ownProgram) {
        // A copy that user can reach: the build tree may lie where it cannot.
        const auto bin = std::filesystem::path(home_) / "bin";
        std::filesystem::create_directories(bin);
        std::filesystem::permissions(
            bin, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                     std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                     std::filesystem::perms::others_exec);
        const auto copy = bin / std::filesystem::path(program).filename();
        // Once per desktop: a copy that runs cannot be replaced.
        std::filesystem::copy_file(program, copy, std::filesystem::copy_options::skip_existing);
        std::filesystem::permissions(
            copy, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                      std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                      std::filesystem::perms::others_exec);
        runnable = copy.string();
        // Its run-time modules beside it, where an installed program has them.
        const auto lib = std::filesystem::path(home_) / "lib";
        const auto modules = lib / "deskmap" / "modules";
        std::filesystem::create_directories(modules);
        for (const auto& folder : {lib, lib / "deskmap", modules}) {
            ::chmod(folder.c_str(), 0755); // whatever the umask: no one else may write
        }
        for (const auto& module : std::filesystem::directory_iterator(DESKMAP_MODULE_DIRECTORY)) {
            if (module.path().extension() == ".so") {
                std::filesystem::copy_file(module.path(), modules / module.path().filename(),
                                           std::filesystem::copy_options::skip_existing);
            }
        }
    }
    command.push_back(runnable);
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

void PrivateSession::write(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

void PrivateSession::startSessionBus(const std::map<std::string, std::string>& environment) {
    write(home_ + "/session.conf",
          "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\" "
          "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
          "<busconfig><include>/usr/share/dbus-1/session.conf</include>"
          "<policy context=\"default\"><allow user=\"*\"/></policy></busconfig>\n");
    start({"dbus-daemon", "--config-file=" + home_ + "/session.conf", "--nofork",
           "--address=" + busAddress()},
          environment, true);
    waitFor([&] { return std::filesystem::exists(home_ + "/run/bus"); }, "the session bus");
}

std::string PrivateSession::runAsUser(const std::string& program,
                                      const std::vector<std::string>& arguments,
                                      const std::map<std::string, std::string>& environment) const {
    auto command = asUser(program, arguments);
    const auto executable = command.front();
    command.erase(command.begin());
    const auto result = runProcess(executable, command, environment);
    if (result.exitCode != 0) {
        throw std::runtime_error(program + " failed: " + result.err);
    }
    return result.out;
}

bool PrivateSession::nameHasOwner(const std::string& name,
                                  const std::map<std::string, std::string>& environment) const {
    return runAsUser("gdbus",
                     {"call", "--session", "--dest", "org.freedesktop.DBus", "--object-path",
                      "/org/freedesktop/DBus", "--method", "org.freedesktop.DBus.NameHasOwner",
                      name},
                     environment)
               .find("true") != std::string::npos;
}

} // namespace deskmap::test
