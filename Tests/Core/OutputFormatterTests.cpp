#include "DeskmapCore/Output/OutputFormatter.hpp"
#include "DeskmapCore/Output/TerminalSanitizer.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

namespace deskmap {
namespace {

const std::string replacement = "\xEF\xBF\xBD";

WindowEvidence window(std::string app, std::optional<std::string> title) {
    return WindowEvidence{7, std::move(app), std::move(title), WindowBounds{0, 25, 800, 600}};
}

TEST(TerminalSanitizer, ReplacesEveryControlCharacter) {
    EXPECT_EQ(TerminalSanitizer::sanitize("plain text ü €"), "plain text ü €");
    EXPECT_EQ(TerminalSanitizer::sanitize("a\nb\tc"), "a" + replacement + "b" + replacement + "c");
    EXPECT_EQ(TerminalSanitizer::sanitize("\x1b"), replacement);
    EXPECT_EQ(TerminalSanitizer::sanitize("\x1b[31mred"), replacement + "[31mred");
    EXPECT_EQ(TerminalSanitizer::sanitize(std::string("\0x", 2)), replacement + "x");
    EXPECT_EQ(TerminalSanitizer::sanitize("\x7f"), replacement);
    EXPECT_EQ(TerminalSanitizer::sanitize("\xC2\x80\xC2\x9B\xC2\x9F\xC2\xA0"),
              replacement + replacement + replacement + "\xC2\xA0");
    // Ill-formed UTF-8 never reaches the terminal as raw bytes.
    EXPECT_EQ(TerminalSanitizer::sanitize("ok\xFF"), "ok" + replacement);
    EXPECT_EQ(TerminalSanitizer::sanitize("\xE2\x82"), replacement);
}

TEST(OutputFormatter, PrintsAnInventoryForTheTerminal) {
    const Inventory inventory{{
        SpaceInventory{1, "3", "D1", false, {}},
        SpaceInventory{2, "4", "D1", true, {window("Terminal", "build"), window("Finder", {})}},
    }};
    EXPECT_EQ(OutputFormatter::inventoryHuman(inventory), "1  Space 1\n"
                                                          "   No meaningful windows detected.\n"
                                                          "\n"
                                                          "2  Space 2 (current)\n"
                                                          "   Terminal: build\n"
                                                          "   Finder");
    EXPECT_EQ(OutputFormatter::inventoryHuman(Inventory{}), "");
}

TEST(OutputFormatter, NamesASpaceUnlessTheNameOnlyRepeatsItsNumber) {
    Inventory inventory;
    for (std::int64_t index = 1; index <= 7; ++index) {
        inventory.spaces.push_back({index, "s" + std::to_string(index), "D1", index == 2, {}});
    }
    const DesktopNames names{{{"s1", "1"},
                              {"s2", "web"},
                              {"s3", "Workspace 3"},
                              {"s4", "Arbeitsfläche 4"},
                              {"s5", "5: chat"},
                              {"s6", "Desktop 2"},
                              {"s7", "\x1B[2Jmail"}},
                             {}};
    std::vector<std::string> headers;
    std::istringstream lines(OutputFormatter::inventoryHuman(inventory, names));
    for (std::string line; std::getline(lines, line);) {
        if (line.find("Space") != std::string::npos) {
            headers.push_back(line);
        }
    }
    EXPECT_EQ(headers,
              (std::vector<std::string>{"1  Space 1", "2  Space 2 · web (current)", "3  Space 3",
                                        "4  Space 4", "5  Space 5 · 5: chat",
                                        "6  Space 6 · Desktop 2", "7  Space 7 · \uFFFD[2Jmail"}));
}

TEST(OutputFormatter, OutsideTextCannotReorderOrFloodWhatSurroundsIt) {
    const std::string isolate = "\u2068", pop = "\u2069";
    const std::string override = "\u2069\u202Egnp.exe"; // "exe.png", past any isolate
    const std::string hebrew = "\u05E9\u05DC\u05D5\u05DD";
    std::string zalgo = "a";
    for (int mark = 0; mark < 5000; ++mark) {
        zalgo += "\xCC\x81";
    }
    const Inventory inventory{
        {SpaceInventory{1,
                        "1",
                        "D",
                        false,
                        {window("Files", override), window(hebrew, "Plain"), window("Z", zalgo)}}}};
    const auto text = OutputFormatter::inventoryHuman(inventory);
    EXPECT_NE(text.find("Files: gnp.exe\n"), std::string::npos) << text;
    EXPECT_NE(text.find(isolate + hebrew + pop + ": Plain"), std::string::npos) << text;
    EXPECT_LT(text.size(), 200u) << "one letter stays one short letter";
    // Stored and written as they came: the marks are the text.
    const auto json = nlohmann::json::parse(OutputFormatter::inventoryJSON(inventory));
    EXPECT_EQ(json["spaces"][0]["windows"][0]["title"], override);
    EXPECT_EQ(json["spaces"][0]["windows"][2]["title"], zalgo);
}

TEST(OutputFormatter, WritesPrettyJSONWithSortedKeysAndPlainSlashes) {
    const Inventory inventory{
        {SpaceInventory{1, "3", "D1", true, {window("Terminal", "~/src/deskmap")}}}};
    const auto text = OutputFormatter::inventoryJSON(inventory);
    EXPECT_NE(text.find("\"title\": \"~/src/deskmap\""), std::string::npos);
    EXPECT_NE(text.find("\n  \"spaces\": ["), std::string::npos);
    EXPECT_NE(text.back(), '\n');
    const auto order = {"\"app\"", "\"bounds\"", "\"title\"", "\"windowID\""};
    std::size_t previous = 0;
    for (const auto* key : order) {
        const auto position = text.find(key);
        ASSERT_NE(position, std::string::npos) << key;
        EXPECT_GT(position, previous) << key;
        previous = position;
    }
    EXPECT_EQ(nlohmann::json::parse(text)["spaces"][0]["windows"][0]["bounds"]["height"], 600);

    EXPECT_EQ(nlohmann::json::parse(OutputFormatter::inventoryJSON(Inventory{})),
              nlohmann::json::parse(R"({"spaces": []})"));
}

TEST(OutputFormatter, RepairsIllFormedTextInJSON) {
    const Inventory inventory{{SpaceInventory{1, "3", "D", false, {window("A\xFF", {})}}}};
    const auto document = nlohmann::json::parse(OutputFormatter::inventoryJSON(inventory));
    EXPECT_EQ(document["spaces"][0]["windows"][0]["app"], "A" + replacement);
}

} // namespace
} // namespace deskmap
