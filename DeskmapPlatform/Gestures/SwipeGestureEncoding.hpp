#pragma once

#include "DeskmapPlatform/WindowServer.hpp"

#include <optional>

// The desktop-switch swipe as a trackpad sends it: three events (begin,
// change, end) whose fields carry the gesture's type, phase and motion. The
// one place that knows the field numbers, for the poster and for every
// window server that acts on posted swipes.
namespace deskmap::platform::SwipeGestureEncoding {

enum class Phase : std::int64_t { began = 1, changed = 2, ended = 4 };

// Sets the fields of one phase of a swipe in `event`, in the order a
// trackpad sets them. `forward` is a swipe to the next Space (rightwards).
void encode(InputEvent& event, Phase phase, bool forward);

// Recognizes whole swipes in a stream of posted events.
class Decoder {
public:
    // For each posted event: the direction (true: forward) once it completes
    // a begin, change, end sequence with a non-zero motion; nothing otherwise.
    // An event out of order starts over.
    std::optional<bool> feed(const InputEvent& event);

private:
    std::int64_t lastPhase_ = 0;
};

} // namespace deskmap::platform::SwipeGestureEncoding
