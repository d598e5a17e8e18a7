// What a user reads names this system's desktop, secret store and settings,
// never another system's.
#include "CLITestSupport.hpp"
#include "DeskmapAppSupport/SpaceSwitcher/SpaceSwitchOutcome.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "Support/ScopedFiles.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace deskmap {
namespace {

const std::vector<std::string> foreignWords{
    "macOS",         "Keychain",           "System Settings", "menu bar", "Screen Recording",
    "Accessibility", "Privacy & Security", "trackpad"};

void expectNoForeignWords(const std::string& text, const std::string& where) {
    for (const auto& word : foreignWords) {
        EXPECT_EQ(text.find(word), std::string::npos) << where << " names \"" << word << "\"";
    }
}

TEST(Wording, NoTextNamesAnotherSystem) {
    expectNoForeignWords(test::fileText(std::string(DESKMAP_TEST_SOURCE_DIR) +
                                        "/../DeskmapPlatform/Text/UserTexts.hpp"),
                         "the text table");

    for (const auto& command : {std::vector<std::string>{"--help"},
                                {"spaces", "--help"},
                                {"summarize", "--help"},
                                {"check-client", "--help"},
                                {"switch", "--help"},
                                {"watch", "--help"},
                                {"key", "--help"}}) {
        const auto help = test::deskmap(command);
        ASSERT_EQ(help.exitCode, 0) << help.err;
        expectNoForeignWords(help.out, command.front() + " --help");
    }

    expectNoForeignWords(*DeskmapError::collection("gone").errorDescription(), "collection");
    for (const auto result :
         {SpaceSwitchRequestResult::inProgress, SpaceSwitchRequestResult::needsAccessibility,
          SpaceSwitchRequestResult::targetNotOnDisplay, SpaceSwitchRequestResult::unavailable,
          SpaceSwitchRequestResult::mapChanged}) {
        expectNoForeignWords(message(result).value_or(""), "a switch request");
    }
    for (const auto completion :
         {SpaceSwitchCompletion::targetUnavailable, SpaceSwitchCompletion::gestureFailed,
          SpaceSwitchCompletion::timedOut}) {
        expectNoForeignWords(message(completion).value_or(""), "a switch");
    }
}

} // namespace
} // namespace deskmap
