#include "SpaceNumberEntry.hpp"

namespace deskmap::qt {

namespace {

std::optional<std::int64_t> existing(std::int64_t space, std::int64_t spaces) {
    if (space >= 1 && space <= spaces) {
        return space;
    }
    return std::nullopt;
}

} // namespace

SpaceNumberEntry::Outcome SpaceNumberEntry::digit(int value, Clock::time_point now,
                                                  std::int64_t spaces) {
    if (pending_) {
        const auto first = pending_->value;
        const bool inTime = now - pending_->typed < pause;
        pending_.reset();
        // "1" then "5" with twelve Spaces: 15 names none, so the first digit
        // stands alone, as it does once its pause has passed.
        if (const auto two = existing(first * 10 + value, spaces); inTime && two) {
            return {two, false};
        }
        return {existing(first, spaces), false};
    }
    if (value >= 1 && value * 10 <= spaces) {
        pending_ = Pending{value, now};
        return {std::nullopt, true};
    }
    return {existing(value, spaces), false};
}

std::optional<std::int64_t> SpaceNumberEntry::expire(Clock::time_point now) {
    if (!pending_ || now - pending_->typed < pause) {
        return std::nullopt;
    }
    const auto first = pending_->value;
    pending_.reset();
    return first;
}

std::optional<std::int64_t> SpaceNumberEntry::commit() {
    if (!pending_) {
        return std::nullopt;
    }
    const auto first = pending_->value;
    pending_.reset();
    return first;
}

std::optional<SpaceNumberEntry::Clock::time_point> SpaceNumberEntry::deadline() const {
    if (!pending_) {
        return std::nullopt;
    }
    return pending_->typed + pause;
}

} // namespace deskmap::qt
