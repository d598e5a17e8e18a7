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

constexpr const char* busName = "org.freedesktop.DBus";

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

DBus::MethodCall appCall(const std::string& owner, const char* member) {
    return {owner, RunningAppBus::path, RunningAppBus::interface, member, {}};
}

} // namespace

RunningAppFollower::RunningAppFollower(Options options,
                                       std::function<void(std::optional<BarFace>)> changed,
                                       std::function<void()> unreadable)
    : options_(std::move(options)), changed_(std::move(changed)),
      unreadable_(std::move(unreadable)), stop_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
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

void RunningAppFollower::read(const nlohmann::json& arguments) {
    if (auto face = faceFrom(arguments)) {
        tell(std::move(face));
        return;
    }
    unreadable_();
    if (!told_) {
        tell(std::nullopt);
    }
}

void RunningAppFollower::run() {
    while (!stopped()) {
        try {
            auto bus = options_.connect();
            follow(*bus);
            return;
        } catch (const std::exception&) {
            // The bus is gone, or never was: connected again after a while.
        }
        owner_.clear();
        tell(std::nullopt);
        pollfd descriptor{stop_, POLLIN, 0};
        ::poll(&descriptor, 1, static_cast<int>(options_.retryDelay.count()));
    }
}

void RunningAppFollower::follow(DBus::Connection& bus) {
    // Acted on outside the handlers, which run while the bus is read.
    bool asking = true;
    bus.subscribe(
        {busName, "/org/freedesktop/DBus", busName, "NameOwnerChanged",
         std::string(RunningAppBus::name)},
        [&](const DBus::Signal& signal) {
            const auto& arguments = signal.arguments;
            if (signal.sender != busName || arguments.size() != 3 || !arguments[2].is_string()) {
                return;
            }
            // An app that left before the one followed now was asked.
            if (arguments[2] == "" && !owner_.empty() && arguments[1] != owner_) {
                return;
            }
            owner_.clear();
            if (arguments[2] == "") {
                asking = false;
                tell(std::nullopt);
            } else {
                asking = true;
            }
        },
        options_.timeout);
    // A match rule does not keep out a signal sent to this connection
    // alone: the sender is checked too.
    bus.subscribe(
        {RunningAppBus::name, RunningAppBus::path, RunningAppBus::interface,
         RunningAppBus::faceSignal, std::nullopt},
        [&](const DBus::Signal& signal) {
            if (!owner_.empty() && signal.sender == owner_) {
                read(signal.arguments);
            }
        },
        options_.timeout);
    constexpr auto never = std::chrono::steady_clock::time_point::max();
    auto askAgainAt = never;
    while (!stopped()) {
        if (std::exchange(asking, false) || std::chrono::steady_clock::now() >= askAgainAt) {
            askAgainAt = ask(bus) ? std::chrono::steady_clock::now() + options_.retryDelay : never;
        }
        auto left = std::chrono::milliseconds(1h);
        if (askAgainAt != never) {
            left = std::max(std::chrono::duration_cast<std::chrono::milliseconds>(
                                askAgainAt - std::chrono::steady_clock::now()),
                            1ms);
        }
        bus.wait(stop_, left);
    }
}

bool RunningAppFollower::ask(DBus::Connection& bus) {
    owner_.clear();
    try {
        const auto owner = bus.call({busName,
                                     "/org/freedesktop/DBus",
                                     busName,
                                     "GetNameOwner",
                                     {std::string(RunningAppBus::name)}},
                                    options_.timeout);
        if (owner.size() != 1 || !owner[0].is_string()) {
            tell(std::nullopt);
            return false;
        }
        // Asked of the owner itself: a name that changes hands meanwhile
        // cannot answer for another.
        const auto unique = owner[0].get<std::string>();
        if (stopped()) {
            return false;
        }
        const auto desktop =
            bus.call(appCall(unique, RunningAppBus::desktopMethod), options_.timeout);
        if (desktop.size() != 1 || desktop[0] != options_.desktopKey) {
            tell(std::nullopt); // another map than this watch's
            return false;
        }
        if (stopped()) {
            return false;
        }
        owner_ = unique;
        read(bus.call(appCall(unique, RunningAppBus::faceMethod), options_.timeout));
        return false;
    } catch (const DBus::CallError& error) {
        owner_.clear();
        // None runs, one too old to publish its state, or a busy one (a
        // face shown may be another instance's): this watch goes on alone,
        // and asks a busy one again later.
        tell(std::nullopt);
        return error.isTimeout();
    }
}

} // namespace deskmap::cli
