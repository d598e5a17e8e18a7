#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace deskmap::platform {

// The autostart entry could not be written or removed.
class AutostartError : public std::runtime_error {
public:
    explicit AutostartError(const std::string& message) : std::runtime_error(message) {}
};

// The program's entry in the desktop's autostart folder
// ($XDG_CONFIG_HOME/autostart, else ~/.config/autostart), which desktop
// sessions read at login.
class XdgAutostart {
public:
    enum class State {
        absent,    // no entry: the program does not start at login
        enabled,   // an entry the session will start
        disabled,  // an entry the session skips (Hidden, or disabled in the desktop's settings)
        unreadable // something by that name that is not a readable entry
    };

    // `entryName` is the file name ("deskmap.desktop"); `executable` the
    // program the entry starts.
    XdgAutostart(std::filesystem::path folder, std::string entryName,
                 std::filesystem::path executable);

    static std::filesystem::path standardFolder();
    // The running program's own executable.
    static std::filesystem::path currentExecutable();
    // The program at /proc/self/exe's `linkTarget`, which names one replaced
    // while it runs "PATH (deleted)".
    static std::filesystem::path programAt(std::string linkTarget);

    std::filesystem::path entryPath() const { return folder_ / entryName_; }
    State state() const;

    // Writes the entry atomically (throws AutostartError).
    void install() const;
    // Removes the entry; removing a missing entry succeeds (throws AutostartError).
    void uninstall() const;
    // Shows the autostart folder in the file manager when xdg-open exists;
    // false when nothing could be started.
    bool reveal() const;

    // The entry's text.
    std::string entryText() const;

private:
    std::filesystem::path folder_;
    std::string entryName_;
    std::filesystem::path executable_;
};

} // namespace deskmap::platform
