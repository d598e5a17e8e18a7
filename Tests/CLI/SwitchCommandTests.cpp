// `deskmap switch` end to end on the simulated desktop: the swipe events are
// built, posted, decoded and applied for real.
#include "CLITestSupport.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace deskmap {
namespace {

using test::deskmap;

class SwitchCommandTest : public testing::Test {
protected:
    nlohmann::json scenario =
        nlohmann::json::parse(std::ifstream(test::scenarios + "switching.json"));
    std::filesystem::path file = std::filesystem::temp_directory_path() /
                                 ("deskmap-switch-" + std::to_string(::getpid()) + ".json");

    void TearDown() override { std::filesystem::remove(file); }

    test::ProcessOutcome switchTo(const std::string& index) {
        std::ofstream(file) << scenario.dump();
        return deskmap({"switch", index, "--desktop", file.string()});
    }
};

TEST_F(SwitchCommandTest, ReachesSpacesInBothDirections) {
    const auto right = switchTo("4");
    EXPECT_EQ(right.exitCode, 0) << right.err;
    EXPECT_EQ(right.out, "Switched to Space 4\n");
    const auto left = switchTo("1");
    EXPECT_EQ(left.exitCode, 0) << left.err;
    EXPECT_EQ(left.out, "Switched to Space 1\n");
    const auto current = switchTo("2");
    EXPECT_EQ(current.exitCode, 0);
    EXPECT_EQ(current.out, "Space 2 is already current\n");
}

TEST_F(SwitchCommandTest, ReportsWhyItCannotSwitch) {
    const auto otherDisplay = switchTo("5");
    EXPECT_EQ(otherDisplay.exitCode, 1);
    EXPECT_EQ(
        otherDisplay.err,
        "Move the pointer to the target display and open Deskmap there to switch to that Space.\n");

    scenario["permissions"] = {{"accessibility", false}};
    const auto denied = switchTo("3");
    EXPECT_EQ(denied.exitCode, 1);
    EXPECT_EQ(denied.err, "Allow Space-switching access, then click the Space again.\n");

    scenario["permissions"] = {{"accessibility", true}};
    scenario["acceptGestures"] = false;
    const auto ignored = switchTo("3");
    EXPECT_EQ(ignored.exitCode, 1);
    EXPECT_EQ(ignored.err, "Space switching timed out before reaching the target.\n");

    scenario.erase("acceptGestures");
    scenario["cursorDisplay"] = "nowhere";
    const auto lost = switchTo("3");
    EXPECT_EQ(lost.exitCode, 1);
    EXPECT_EQ(lost.err,
              "Could not switch Spaces. Try opening Deskmap again on the target display.\n");
}

TEST_F(SwitchCommandTest, AnIndexThatNamesNoSpaceIsAUsageError) {
    for (const char* index : {"0", "6", "-1", "two"}) {
        const auto result = switchTo(index);
        EXPECT_EQ(result.exitCode, 2) << index;
        EXPECT_NE(result.err, "");
    }
}

} // namespace
} // namespace deskmap
