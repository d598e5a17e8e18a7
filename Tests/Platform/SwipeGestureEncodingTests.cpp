#include "DeskmapPlatform/Gestures/SwipeGestureEncoding.hpp"

#include <gtest/gtest.h>

namespace deskmap::platform {
namespace {

using SwipeGestureEncoding::Phase;

InputEvent phase(Phase which, bool forward) {
    InputEvent event;
    SwipeGestureEncoding::encode(event, which, forward);
    return event;
}

TEST(SwipeGestureEncoding, AWholeSwipeDecodesToItsDirection) {
    for (const bool forward : {true, false}) {
        SwipeGestureEncoding::Decoder decoder;
        EXPECT_EQ(decoder.feed(phase(Phase::began, forward)), std::nullopt);
        EXPECT_EQ(decoder.feed(phase(Phase::changed, forward)), std::nullopt);
        EXPECT_EQ(decoder.feed(phase(Phase::ended, forward)), forward);
    }
}

TEST(SwipeGestureEncoding, OnlyPhasesInOrderMakeASwipe) {
    SwipeGestureEncoding::Decoder decoder;
    // An end without its beginning, then a change out of order.
    EXPECT_EQ(decoder.feed(phase(Phase::ended, true)), std::nullopt);
    EXPECT_EQ(decoder.feed(phase(Phase::began, true)), std::nullopt);
    EXPECT_EQ(decoder.feed(phase(Phase::ended, true)), std::nullopt);
    // An unrelated event between the phases starts over.
    EXPECT_EQ(decoder.feed(phase(Phase::began, true)), std::nullopt);
    EXPECT_EQ(decoder.feed(InputEvent{}), std::nullopt);
    EXPECT_EQ(decoder.feed(phase(Phase::changed, true)), std::nullopt);
    EXPECT_EQ(decoder.feed(phase(Phase::ended, true)), std::nullopt);
    // A new beginning restarts a broken sequence.
    EXPECT_EQ(decoder.feed(phase(Phase::began, false)), std::nullopt);
    EXPECT_EQ(decoder.feed(phase(Phase::began, false)), std::nullopt);
    EXPECT_EQ(decoder.feed(phase(Phase::changed, false)), std::nullopt);
    EXPECT_EQ(decoder.feed(phase(Phase::ended, false)), false);
}

TEST(SwipeGestureEncoding, ASwipeWithoutMotionGoesNowhere) {
    SwipeGestureEncoding::Decoder decoder;
    auto still = phase(Phase::ended, true);
    still.doubleFields.clear();
    decoder.feed(phase(Phase::began, true));
    decoder.feed(phase(Phase::changed, true));
    EXPECT_EQ(decoder.feed(still), std::nullopt);
}

} // namespace
} // namespace deskmap::platform
