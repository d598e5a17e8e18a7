#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace deskmap::qt {

// Space numbers typed as digits. Below ten Spaces a digit is a Space; from
// ten on, a digit that can begin a two-digit number waits `pause` for a
// second one, so every Space up to 99 is reachable.
class SpaceNumberEntry {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds pause{600};

    struct Outcome {
        std::optional<std::int64_t> space; // the Space to switch to now
        bool waiting = false;              // a second digit may follow until `deadline()`

        friend bool operator==(const Outcome&, const Outcome&) = default;
    };

    // A digit (0–9) typed at `now` while the list holds `spaces` Spaces.
    Outcome digit(int value, Clock::time_point now, std::int64_t spaces);
    // When no second digit came: the Space the first one names, once its
    // pause has passed at `now`.
    std::optional<std::int64_t> expire(Clock::time_point now);
    // The pending first digit's Space, at once: its pause timer fired (a
    // timer may fire a little early) or Return was pressed.
    std::optional<std::int64_t> commit();
    std::optional<Clock::time_point> deadline() const;
    void reset() { pending_.reset(); }

private:
    struct Pending {
        int value;
        Clock::time_point typed;
    };
    std::optional<Pending> pending_;
};

} // namespace deskmap::qt
