#include "DeskmapPlatform/Gestures/SwipeGestureEncoding.hpp"

#include <cmath>

namespace deskmap::platform::SwipeGestureEncoding {

namespace {

constexpr int typeField = 55;
constexpr std::int64_t gestureType = 30;
constexpr int subtypeField = 110;
constexpr std::int64_t dockSwipeSubtype = 23;
constexpr int phaseField = 132;
constexpr int motionDirectionField = 123;
constexpr int progressField = 124;
constexpr int velocityXField = 129;
constexpr int velocityYField = 130;
constexpr double swipeVelocity = 2000.0;

// The smallest positive single-precision value, 2^-149.
const double smallestMotion = std::ldexp(1.0, -149);

} // namespace

void encode(InputEvent& event, Phase phase, bool forward) {
    const double sign = forward ? 1.0 : -1.0;
    event.integerFields[typeField] = gestureType;
    event.integerFields[subtypeField] = dockSwipeSubtype;
    event.integerFields[phaseField] = static_cast<std::int64_t>(phase);
    event.integerFields[motionDirectionField] = 1;
    event.doubleFields[progressField] = sign * smallestMotion;
    event.doubleFields[velocityXField] = sign * swipeVelocity;
    event.doubleFields[velocityYField] = sign * swipeVelocity;
}

std::optional<bool> Decoder::feed(const InputEvent& event) {
    const auto phase = event.integerFields.find(phaseField);
    if (phase == event.integerFields.end()) {
        lastPhase_ = 0;
        return std::nullopt;
    }
    // Only a whole begin (1), change (2), end (4) sequence is a swipe; a new
    // begin restarts it.
    const auto expected = lastPhase_ == 0 ? 1 : lastPhase_ * 2;
    lastPhase_ = phase->second == expected ? phase->second : (phase->second == 1 ? 1 : 0);
    if (lastPhase_ != static_cast<std::int64_t>(Phase::ended)) {
        return std::nullopt;
    }
    lastPhase_ = 0;
    const auto motion = event.doubleFields.find(velocityXField);
    if (motion == event.doubleFields.end() || motion->second == 0 || std::isnan(motion->second)) {
        return std::nullopt;
    }
    return motion->second > 0;
}

} // namespace deskmap::platform::SwipeGestureEncoding
