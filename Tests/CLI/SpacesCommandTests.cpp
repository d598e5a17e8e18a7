// Drives the command line as a user or a script would, with DISPLAY unset so
// no real desktop can interfere.
#include "CLITestSupport.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace deskmap {
namespace {

using test::deskmap;
using test::scenarios;

TEST(SpacesCommand, PrintsTheDemoDesktopOnlyWithoutASessionAndSaysSo) {
    // The installed program itself, once: the rest runs in this process.
    const auto result = test::deskmapProcess({"spaces"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "deskmap: no desktop found: showing the built-in demo desktop\n");
    EXPECT_EQ(result.out.rfind("1  Space 1 · Comms\n", 0), 0u) << result.out;
    EXPECT_NE(result.out.find("(current)"), std::string::npos);
    EXPECT_EQ(result.out.back(), '\n');
    EXPECT_NE(result.out.substr(result.out.size() - 2), "\n\n");
    EXPECT_EQ(deskmap({"spaces", "--desktop", "demo"}).err, "") << "asked for, it is no fallback";

    // A session that runs but cannot be read is an error, never the demo.
    for (const auto& command : {std::vector<std::string>{"spaces"}, {"switch", "1"}}) {
        const auto wayland = deskmap(command, {{"WAYLAND_DISPLAY", "wayland-7"}});
        EXPECT_EQ(wayland.exitCode, 1);
        EXPECT_EQ(wayland.out, "");
        EXPECT_NE(wayland.err.find("Wayland session"), std::string::npos) << wayland.err;
    }
}

TEST(SpacesCommand, PrintsAScenarioAsTerminalText) {
    const auto result = deskmap({"spaces", "--desktop", scenarios + "shared-space.json"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "1  Space 1\n"
                          "   Notes\n"
                          "\n"
                          "2  Space 2 (current)\n"
                          "   Terminal: build\xEF\xBF\xBD[2J\n"
                          "\n"
                          "3  Space 3 (current)\n"
                          "   Notes\n"
                          "   Safari: docs/guide\n");
}

TEST(SpacesCommand, TheEnvironmentChoosesTheDesktopUnlessTheOptionDoes) {
    const auto viaEnvironment =
        deskmap({"spaces"}, {{"DESKMAP_DESKTOP", scenarios + "shared-space.json"}});
    EXPECT_EQ(viaEnvironment.exitCode, 0);
    EXPECT_NE(viaEnvironment.out.find("Safari: docs/guide"), std::string::npos);

    const auto optionWins = deskmap({"spaces", "--desktop", "demo"},
                                    {{"DESKMAP_DESKTOP", scenarios + "shared-space.json"}});
    EXPECT_EQ(optionWins.exitCode, 0);
    EXPECT_EQ(optionWins.out.find("Safari: docs/guide"), std::string::npos);
}

TEST(SpacesCommand, CollectionFailuresExitOneWithTheDescription) {
    const auto noSpaces = deskmap({"spaces", "--desktop", scenarios + "no-spaces.json"});
    EXPECT_EQ(noSpaces.exitCode, 1);
    EXPECT_EQ(noSpaces.out, "");
    EXPECT_EQ(noSpaces.err, "Could not read this desktop's Spaces: no Spaces were reported\n");

    const auto unassigned =
        deskmap({"spaces", "--json", "--desktop", scenarios + "unassigned-window.json"});
    EXPECT_EQ(unassigned.exitCode, 1);
    EXPECT_EQ(unassigned.err, "Could not read this desktop's Spaces: the window server returned no "
                              "Space assignment for window 4711\n");
}

TEST(SpacesCommand, UnusableInputExitsTwo) {
    const auto missing = deskmap({"spaces", "--desktop", "/nonexistent/scenario.json"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("/nonexistent/scenario.json does not exist"), std::string::npos);

    const auto notJSON = deskmap({"spaces", "--desktop", scenarios + "../ChildProcess.hpp"});
    EXPECT_EQ(notJSON.exitCode, 2);
    EXPECT_NE(notJSON.err.find("is not valid JSON"), std::string::npos) << notJSON.err;

    // A number beyond a double's range is unusable JSON, not a crash.
    const auto huge = deskmap({"spaces", "--desktop", scenarios + "huge-number.json"});
    EXPECT_EQ(huge.exitCode, 2);
    EXPECT_NE(huge.err.find("is not valid JSON: number overflow"), std::string::npos) << huge.err;

    const auto unknownOption = deskmap({"spaces", "--colour"});
    EXPECT_EQ(unknownOption.exitCode, 2);
    EXPECT_NE(unknownOption.err.find("--colour"), std::string::npos) << unknownOption.err;

    EXPECT_EQ(deskmap({"frobnicate"}).exitCode, 2);
    EXPECT_EQ(deskmap({}).exitCode, 2);
    EXPECT_EQ(deskmap({"spaces", "--desktop"}).exitCode, 2);
}

} // namespace
} // namespace deskmap
