#pragma once

#include "DeskmapAppSupport/StatusBar/BarFace.hpp"
#include "DeskmapPlatform/DBus/DBusConnection.hpp"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace deskmap::cli {

// Follows a deskmap-app running in this session through its name on the
// session bus: tells `changed`, on a thread of its own, each face the app
// publishes, and nothing (nullopt) whenever no app can be followed: none
// runs, it left, it sent something that is not a face, or there is no
// session bus. The first word comes once the bus has been asked. After
// losing the bus it connects again every `retryDelay`. Stops when destroyed.
class RunningAppFollower {
public:
    struct Options {
        std::function<std::unique_ptr<platform::DBus::Connection>()> connect =
            platform::DBus::connectSessionBus;
        std::chrono::milliseconds timeout{2000};
        std::chrono::milliseconds retryDelay{30000};
    };

    RunningAppFollower(Options options, std::function<void(std::optional<BarFace>)> changed);
    ~RunningAppFollower();
    RunningAppFollower(const RunningAppFollower&) = delete;
    RunningAppFollower& operator=(const RunningAppFollower&) = delete;

private:
    bool stopped() const;
    void run();
    // Follows on `bus` until it is lost or the follower stops.
    void follow(platform::DBus::Connection& bus);
    void tell(std::optional<BarFace> face);

    Options options_;
    std::function<void(std::optional<BarFace>)> changed_;
    std::optional<std::optional<BarFace>> told_; // nothing told yet
    int stop_;
    std::thread thread_;
};

} // namespace deskmap::cli
