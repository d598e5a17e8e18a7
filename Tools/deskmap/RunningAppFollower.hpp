#pragma once

#include "DeskmapAppSupport/StatusBar/BarFace.hpp"
#include "DeskmapPlatform/DBus/DBusConnection.hpp"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace deskmap::cli {

// Follows a deskmap-app running in this session through its name on the
// session bus, on a thread of its own. `changed` hears each face the app
// publishes, and nothing (nullopt) whenever no app can be followed: none
// runs, it left, it shows another desktop than `desktopKey` names, it does
// not answer, or there is no session bus. The first word comes once the bus
// has been asked. `unreadable` hears of a state the app sent that is not a
// face: the last face told stands (or, before any, none is followed).
// Only the name's owner is believed, and only the bus on who owns it.
class RunningAppFollower {
public:
    struct Options {
        std::function<std::unique_ptr<platform::DBus::Connection>()> connect =
            platform::DBus::connectSessionBus;
        // What this program would show (platform::sessionDesktopKey).
        std::string desktopKey;
        std::chrono::milliseconds timeout{2000};
        // After losing the bus or an app that did not answer, how long until
        // it is asked again.
        std::chrono::milliseconds retryDelay{30000};
    };

    RunningAppFollower(Options options, std::function<void(std::optional<BarFace>)> changed,
                       std::function<void()> unreadable);
    ~RunningAppFollower();
    RunningAppFollower(const RunningAppFollower&) = delete;
    RunningAppFollower& operator=(const RunningAppFollower&) = delete;

private:
    bool stopped() const;
    void run();
    // Follows on `bus` until it is lost or the follower stops.
    void follow(platform::DBus::Connection& bus);
    // Asks the name's owner for its desktop and face; whether to ask again
    // later (it did not answer in time).
    bool ask(platform::DBus::Connection& bus);
    void tell(std::optional<BarFace> face);
    void read(const nlohmann::json& arguments);

    Options options_;
    std::function<void(std::optional<BarFace>)> changed_;
    std::function<void()> unreadable_;
    std::optional<std::optional<BarFace>> told_; // nothing told yet
    std::string owner_;                          // the unique name followed, or empty
    int stop_;
    std::thread thread_;
};

} // namespace deskmap::cli
