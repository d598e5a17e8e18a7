#include "DeskmapCore/Collection/WindowParser.hpp"
#include "Support/WindowServerData.hpp"

#include <gtest/gtest.h>

namespace deskmap {
namespace {

using nlohmann::json;
using test::windowEntry;

TEST(WindowParser, BuildsEvidenceFromAnApplicationWindow) {
    const auto evidence = WindowParser::parse(windowEntry(101, "Terminal", "build"));
    ASSERT_TRUE(evidence);
    EXPECT_EQ(*evidence,
              (WindowEvidence{101, "Terminal", "build", WindowBounds{10, 20, 800, 600}}));
}

TEST(WindowParser, KeepsOnlyTheNormalLayer) {
    auto window = windowEntry(1, "Terminal");
    window["kCGWindowLayer"] = 25;
    EXPECT_FALSE(WindowParser::parse(window));
    window["kCGWindowLayer"] = "0";
    EXPECT_FALSE(WindowParser::parse(window));
    window.erase("kCGWindowLayer");
    EXPECT_FALSE(WindowParser::parse(window));
    window["kCGWindowLayer"] = 0.0;
    EXPECT_TRUE(WindowParser::parse(window));
}

TEST(WindowParser, ExcludesSystemOwnersCaseSensitively) {
    for (const char* owner : {"Control Center", "Dock", "Notification Center", "SystemUIServer",
                              "Window Server", "Wallpaper"}) {
        EXPECT_FALSE(WindowParser::parse(windowEntry(1, owner))) << owner;
    }
    EXPECT_TRUE(WindowParser::parse(windowEntry(1, "dock")));
    EXPECT_TRUE(WindowParser::parse(windowEntry(1, "Dock ")));
    EXPECT_FALSE(WindowParser::parse(windowEntry(1, "")));
    auto numericOwner = windowEntry(1, "x");
    numericOwner["kCGWindowOwnerName"] = 5;
    EXPECT_FALSE(WindowParser::parse(numericOwner));
}

TEST(WindowParser, RequiresBothSidesOfAtLeastOneHundredPoints) {
    const auto wide = WindowParser::parse(windowEntry(1, "Notes", std::nullopt, 100.9, 500));
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->bounds.width, 100);
    EXPECT_EQ(wide->bounds.height, 500);
    EXPECT_TRUE(WindowParser::parse(windowEntry(1, "Notes", std::nullopt, 100, 100)));
    EXPECT_FALSE(WindowParser::parse(windowEntry(1, "Notes", std::nullopt, 99.9, 500)));
    EXPECT_FALSE(WindowParser::parse(windowEntry(1, "Notes", std::nullopt, 500, 99)));

    auto noHeight = windowEntry(1, "Notes");
    noHeight["kCGWindowBounds"].erase("Height");
    EXPECT_FALSE(WindowParser::parse(noHeight));
    auto boundsNotDictionary = windowEntry(1, "Notes");
    boundsNotDictionary["kCGWindowBounds"] = json::array({0, 0, 800, 600});
    EXPECT_FALSE(WindowParser::parse(boundsNotDictionary));
}

TEST(WindowParser, DropsOnlyAVisiblyTransparentWindow) {
    auto window = windowEntry(1, "Notes");
    window["kCGWindowAlpha"] = 0;
    EXPECT_FALSE(WindowParser::parse(window));
    window["kCGWindowAlpha"] = -0.5;
    EXPECT_FALSE(WindowParser::parse(window));
    window["kCGWindowAlpha"] = 0.01;
    EXPECT_TRUE(WindowParser::parse(window));
    window["kCGWindowAlpha"] = "transparent";
    EXPECT_TRUE(WindowParser::parse(window));
    window.erase("kCGWindowAlpha");
    EXPECT_TRUE(WindowParser::parse(window));
}

TEST(WindowParser, RequiresAWindowNumberThatFits32Bits) {
    auto window = windowEntry(1, "Notes");
    window["kCGWindowNumber"] = 4294967295u;
    EXPECT_EQ(WindowParser::parse(window)->windowID, 4294967295u);
    window["kCGWindowNumber"] = 4294967296u;
    EXPECT_FALSE(WindowParser::parse(window));
    window["kCGWindowNumber"] = -1;
    EXPECT_FALSE(WindowParser::parse(window));
    window["kCGWindowNumber"] = 12.5;
    EXPECT_FALSE(WindowParser::parse(window));
    window["kCGWindowNumber"] = "12";
    EXPECT_FALSE(WindowParser::parse(window));
    window.erase("kCGWindowNumber");
    EXPECT_FALSE(WindowParser::parse(window));
}

TEST(WindowParser, ReadsTitleAndPositionLeniently) {
    auto window = windowEntry(1, "Notes", "");
    window["kCGWindowBounds"].erase("X");
    window["kCGWindowBounds"]["Y"] = "top";
    const auto evidence = WindowParser::parse(window);
    ASSERT_TRUE(evidence);
    EXPECT_EQ(evidence->title, std::nullopt);
    EXPECT_EQ(evidence->bounds.x, 0);
    EXPECT_EQ(evidence->bounds.y, 0);

    window["kCGWindowName"] = 42;
    EXPECT_EQ(WindowParser::parse(window)->title, std::nullopt);
    window["kCGWindowBounds"]["X"] = -1e30;
    EXPECT_EQ(WindowParser::parse(window)->bounds.x, std::numeric_limits<std::int64_t>::min());
}

} // namespace
} // namespace deskmap
