#include "DeskmapPlatform/Text/WellFormedUTF8.hpp"
#include "DeskmapPlatform/X11/X11Text.hpp"

#include <gtest/gtest.h>

namespace deskmap::platform {
namespace {

TEST(X11Text, CompoundTextKeepsLatin1AndUTF8Segments) {
    // As xterm writes "Überblick – Δ": Latin-1, a UTF-8 segment, then Greek.
    EXPECT_EQ(X11Text::compoundTextToUTF8("\xdc"
                                          "berblick \x1b%G\xe2\x80\x93\x1b%@ \x1b-F\xc4"),
              "Überblick – \xEF\xBF\xBD");
    EXPECT_EQ(X11Text::compoundTextToUTF8("a\x1b-F\xc4\x1b-A\xe9"), "a\xEF\xBF\xBD\xC3\xA9");
    EXPECT_EQ(X11Text::compoundTextToUTF8("\x1b$(Bxy\x1b(Bz"), "\xEF\xBF\xBD\xEF\xBF\xBDz");
    EXPECT_EQ(X11Text::compoundTextToUTF8("cut \x1b"), "cut ") << "a truncated escape ends it";
    EXPECT_EQ(X11Text::compoundTextToUTF8("\x1b%Gno end \xc3\xa9"), "no end é");
    EXPECT_EQ(X11Text::compoundTextToUTF8("\x1b%Gbad \xc3\x1b%@ok"), "bad \xEF\xBF\xBDok");
}

TEST(X11Text, ClaimedUTF8IsMadeWellFormed) {
    EXPECT_EQ(wellFormedUTF8("Caf\xc3\xa9 \xf0\x9f\x93\x9d"), "Café 📝");
    // A stray continuation byte, a truncated sequence, an encoded surrogate
    // and an overlong slash become replacement characters, one for each
    // maximal ill-formed part.
    EXPECT_EQ(wellFormedUTF8("a\x80"
                             "b\xe2\x80"),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
    EXPECT_EQ(wellFormedUTF8("\xed\xa0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(wellFormedUTF8("\xc0\xaf"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

} // namespace
} // namespace deskmap::platform
