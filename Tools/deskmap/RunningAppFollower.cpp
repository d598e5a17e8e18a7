#include "RunningAppFollower.hpp"

#include "DeskmapAppSupport/StatusBar/RunningAppBus.hpp"

#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <unistd.h>

namespace deskmap::cli {

namespace {

namespace DBus = platform::DBus;
using namespace std::chrono_literals;

// Four strings, as the app's method returns them and its signal carries them.
std::optional<BarFace> faceFrom(const nlohmann::json& arguments) {
    if (!arguments.is_array() || arguments.size() != 4) {
        return std::nullopt;
    }
    for (const auto& argument : arguments) {
        if (!argument.is_string()) {
            return std::nullopt;
        }
    }
    return barFaceFrom(arguments[0].get<std::string>(), arguments[1].get<std::string>(),
                       arguments[2].get<std::string>(), arguments[3].get<std::string>());
}

} // namespace

RunningAppFollower::RunningAppFollower(Options options,
                                       std::function<void(std::optional<BarFace>)> changed)
    : options_(std::move(options)), changed_(std::move(changed)),
      stop_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (stop_ < 0) {
        throw std::runtime_error("The running app cannot be followed (no event descriptor).");
    }
    thread_ = std::thread([this] { run(); });
}

RunningAppFollower::~RunningAppFollower() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(stop_, &one, sizeof one);
    thread_.join();
    ::close(stop_);
}

bool RunningAppFollower::stopped() const {
    pollfd descriptor{stop_, POLLIN, 0};
    return ::poll(&descriptor, 1, 0) > 0;
}

void RunningAppFollower::tell(std::optional<BarFace> face) {
    if (told_ && *told_ == face) {
        return;
    }
    told_ = face;
    changed_(std::move(face));
}

void RunningAppFollower::run() {
    while (!stopped()) {
        try {
            auto bus = options_.connect();
            follow(*bus);
            return;
        } catch (const DBus::ConnectionError&) {
        } catch (const DBus::CallError&) {
        }
        tell(std::nullopt); // no bus: no app to follow either
        pollfd descriptor{stop_, POLLIN, 0};
        ::poll(&descriptor, 1, static_cast<int>(options_.retryDelay.count()));
    }
}

void RunningAppFollower::follow(DBus::Connection& bus) {
    // Asked outside the signal handlers, which run while the bus is read.
    bool ask = true;
    bus.subscribe(
        {"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
         "NameOwnerChanged", std::string(RunningAppBus::name)},
        [&](const DBus::Signal& signal) {
            const auto& arguments = signal.arguments;
            if (arguments.size() == 3 && arguments[2] == "") {
                ask = false;
                tell(std::nullopt);
            } else {
                ask = true;
            }
        },
        options_.timeout);
    // Only from the connection that owns the name.
    bus.subscribe(
        {RunningAppBus::name, RunningAppBus::path, RunningAppBus::interface,
         RunningAppBus::faceSignal, std::nullopt},
        [&](const DBus::Signal& signal) { tell(faceFrom(signal.arguments)); }, options_.timeout);
    while (!stopped()) {
        if (std::exchange(ask, false)) {
            try {
                tell(faceFrom(bus.call({RunningAppBus::name,
                                        RunningAppBus::path,
                                        RunningAppBus::interface,
                                        RunningAppBus::faceMethod,
                                        {}},
                                       options_.timeout)));
            } catch (const DBus::CallError&) {
                // None runs, or one that publishes no face, or one that hangs.
                tell(std::nullopt);
            }
        }
        bus.wait(stop_, 1h);
    }
}

} // namespace deskmap::cli
