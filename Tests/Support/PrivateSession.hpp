#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace deskmap::test {

// Polls `done` until it holds; throws naming `what` after `limit`.
void waitFor(const std::function<bool()>& done, const std::string& what,
             std::chrono::milliseconds limit = std::chrono::seconds(20));

// Ends a process (SIGKILL after two seconds) and reaps it.
void stopProcess(pid_t pid, int signal = 15);

// A private folder for a test desktop's daemons and files, and the user
// they run as: an unprivileged one when the test runs as root, since
// compositors refuse root and Deskmap trusts only peers of its own user.
// Everything started is stopped when it is destroyed.
class PrivateSession {
public:
    virtual ~PrivateSession();
    PrivateSession(const PrivateSession&) = delete;
    PrivateSession& operator=(const PrivateSession&) = delete;

    const std::string& home() const { return home_; }
    // The session bus startSessionBus makes.
    std::string busAddress() const { return "unix:path=" + home_ + "/run/bus"; }
    uid_t user() const { return user_; }
    // The command line that runs `program` as that user (when it is not the
    // test's own: a copy the user can reach, with the run-time modules
    // beside it, through setpriv).
    std::vector<std::string> asUser(const std::string& program,
                                    std::vector<std::string> arguments) const;

    // Runs `program` as that user with `environment`; what it printed, or an
    // exception when it fails.
    std::string runAsUser(const std::string& program, const std::vector<std::string>& arguments,
                          const std::map<std::string, std::string>& environment) const;
    // Whether `name` has an owner on the session bus (asked through gdbus).
    bool nameHasOwner(const std::string& name,
                      const std::map<std::string, std::string>& environment) const;

protected:
    PrivateSession();
    static void write(const std::string& path, const std::string& text);
    // A session bus as usual (the folder /run must exist), but open to the
    // test's own user too; waits until it listens.
    void startSessionBus(const std::map<std::string, std::string>& environment);
    // Makes the folders (paths below home, private to the user) and gives
    // home and everything in it to the session's user.
    void makeUserFolders(const std::vector<std::string>& folders);
    // Starts a daemon with the test's PATH plus `environment`, as the
    // session's user when `asUser`; its output goes to home/<name>.log.
    pid_t start(const std::vector<std::string>& command,
                const std::map<std::string, std::string>& environment, bool asUser = false);

    std::string home_;
    std::vector<pid_t> processes_;
    uid_t user_ = ::getuid();
};

} // namespace deskmap::test
