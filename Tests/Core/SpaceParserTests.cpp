#include "DeskmapCore/Collection/SpaceParser.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "Support/Thrown.hpp"
#include "Support/WindowServerData.hpp"

#include <gtest/gtest.h>

namespace deskmap {
namespace {

using nlohmann::json;
using test::displayEntry;

std::string parseFailure(const std::vector<json>& displays) {
    return test::messageOf<DeskmapError>([&] { SpaceParser::parse(displays); });
}

const std::string prefix = "Could not read this desktop's Spaces: malformed Spaces data: ";

TEST(SpaceParser, ListsOneDisplaysSpacesInOrderWithTheCurrentOne) {
    const auto parsed = SpaceParser::parse({displayEntry("D1", 4, {3, 4, 7})});
    const std::vector<SpaceInventory> expected{
        {1, "3", "D1", false, {}}, {2, "4", "D1", true, {}}, {3, "7", "D1", false, {}}};
    EXPECT_EQ(parsed.spaces, expected);
    ASSERT_EQ(parsed.displays.size(), 1u);
    EXPECT_EQ(parsed.displays[0], (DisplaySpaceTopology{"D1", {"3", "4", "7"}, "4"}));
}

TEST(SpaceParser, ReadsIdentifierCandidates) {
    json display{{"Display Identifier", "D1"},
                 {"Current Space", {{"id64", 90}}},
                 {"Spaces",
                  {{{"id64", 11}},
                   {{"ManagedSpaceID", 12}, {"id64", 12}},
                   {{"ManagedSpaceID", "desk-13"}, {"id64", 90}}}}};
    const auto parsed = SpaceParser::parse({display});
    ASSERT_EQ(parsed.spaces.size(), 3u);
    EXPECT_EQ(parsed.spaces[0].id, "11");
    EXPECT_EQ(parsed.spaces[1].id, "12");
    // The current Space given only by "id64" matches the Space whose
    // canonical identifier came from "ManagedSpaceID".
    EXPECT_EQ(parsed.spaces[2].id, "desk-13");
    EXPECT_TRUE(parsed.spaces[2].isCurrent);
    EXPECT_EQ(parsed.displays[0].currentSpaceID, "desk-13");
}

TEST(SpaceParser, ConvertsNumbersToDecimalText) {
    json display{{"Display Identifier", 69733382},
                 {"Current Space", {{"ManagedSpaceID", 4.0}}},
                 {"Spaces", {{{"ManagedSpaceID", 4}}, {{"ManagedSpaceID", 2.5}}}}};
    const auto parsed = SpaceParser::parse({display});
    EXPECT_EQ(parsed.spaces[0].display, "69733382");
    EXPECT_EQ(parsed.spaces[0].id, "4");
    EXPECT_TRUE(parsed.spaces[0].isCurrent);
    EXPECT_EQ(parsed.spaces[1].id, "2.5");
}

TEST(SpaceParser, MergesASpaceReportedByTwoDisplays) {
    const auto parsed =
        SpaceParser::parse({displayEntry("D1", 1, {1, 9}), displayEntry("D2", 9, {9, 2})});
    const std::vector<SpaceInventory> expected{
        {1, "1", "D1", true, {}}, {2, "9", "D1, D2", true, {}}, {3, "2", "D2", false, {}}};
    EXPECT_EQ(parsed.spaces, expected);
    EXPECT_EQ(parsed.displays[0].spaceIDs, (std::vector<std::string>{"1", "9"}));
    EXPECT_EQ(parsed.displays[1].spaceIDs, (std::vector<std::string>{"9", "2"}));

    // Listed twice by one display: one entry, the display named once, and
    // the duplicate kept in that display's own list.
    const auto twice = SpaceParser::parse({displayEntry("D1", 3, {3, 3})});
    EXPECT_EQ(twice.spaces, (std::vector<SpaceInventory>{{1, "3", "D1", true, {}}}));
    EXPECT_EQ(twice.displays[0].spaceIDs, (std::vector<std::string>{"3", "3"}));
}

TEST(SpaceParser, EmptyInputIsNotAFailure) {
    EXPECT_EQ(SpaceParser::parse({}), ParsedSpaceData{});
}

TEST(SpaceParser, NamesTheBrokenDisplayOrSpace) {
    const auto good = displayEntry("D1", 1, {1});
    auto noIdentifier = displayEntry("", 1, {1});
    EXPECT_EQ(parseFailure({noIdentifier}), prefix + "display 1 has no identifier");

    auto identifierNull = displayEntry("D", 1, {1});
    identifierNull["Display Identifier"] = nullptr;
    EXPECT_EQ(parseFailure({good, identifierNull}), prefix + "display 2 has no identifier");

    auto noCurrent = displayEntry("D", 1, {1});
    noCurrent["Current Space"] = json::object({{"uuid", "x"}});
    EXPECT_EQ(parseFailure({noCurrent}), prefix + "display 1 has no current Space identifier");

    auto currentNotDictionary = displayEntry("D", 1, {1});
    currentNotDictionary["Current Space"] = 1;
    EXPECT_EQ(parseFailure({currentNotDictionary}),
              prefix + "display 1 has no current Space identifier");

    auto spacesWithNumber = displayEntry("D", 1, {1});
    spacesWithNumber["Spaces"].push_back(5);
    EXPECT_EQ(parseFailure({spacesWithNumber}), prefix + "display 1 has no readable Spaces list");

    auto noSpaces = displayEntry("D", 1, {1});
    noSpaces.erase("Spaces");
    EXPECT_EQ(parseFailure({good, good, noSpaces}),
              prefix + "display 3 has no readable Spaces list");

    auto anonymousSpace = displayEntry("D", 1, {1, 2});
    anonymousSpace["Spaces"][1] = json::object({{"type", 0}});
    EXPECT_EQ(parseFailure({good, anonymousSpace}),
              prefix + "Space 2 on display 2 has no identifier");

    EXPECT_EQ(parseFailure({displayEntry("D", 8, {1, 2})}),
              prefix + "display 1 current Space is absent from its Spaces list");
    EXPECT_EQ(parseFailure({displayEntry("D", 1, {})}),
              prefix + "display 1 current Space is absent from its Spaces list");
}

TEST(SpaceParser, ReadsTheNamesTheDesktopGivesAndIgnoresAnyOtherValue) {
    auto display = displayEntry("D1", 1, {1, 2, 3, 4});
    display["Display Name"] = "  DP-1 ";
    display["Spaces"][0]["Space Name"] = "mail\n";
    display["Spaces"][1]["Space Name"] = 7;      // not text: no name
    display["Spaces"][2]["Space Name"] = "\xFF"; // repaired, not refused
    display["Spaces"][3]["Space Name"] = std::string(200, 'w');
    auto other = displayEntry("D2", 5, {5});
    other["Display Name"] = json::array();
    const auto topology = SpaceParser::topology(SpaceParser::parse({display, other}));
    const auto names = topology.names();
    EXPECT_EQ(names.displays, (std::map<std::string, std::string>{{"D1", "DP-1"}}));
    EXPECT_EQ(names.spaces.at("1"), "mail");
    EXPECT_FALSE(names.spaces.contains("2"));
    EXPECT_EQ(names.spaces.at("3"), "\uFFFD");
    EXPECT_EQ(names.spaces.at("4"), std::string(64, 'w') + "…") << "short enough for a row";
    EXPECT_FALSE(names.spaces.contains("5"));
}

TEST(SpaceTopology, StructureIgnoresWhichSpaceIsCurrent) {
    const auto before = SpaceParser::topology(SpaceParser::parse({displayEntry("D1", 1, {1, 2})}));
    const auto after = SpaceParser::topology(SpaceParser::parse({displayEntry("D1", 2, {1, 2})}));
    EXPECT_NE(before, after);
    EXPECT_EQ(before.displayStructure(), after.displayStructure());

    const auto reordered =
        SpaceParser::topology(SpaceParser::parse({displayEntry("D1", 1, {2, 1})}));
    EXPECT_NE(before.displayStructure(), reordered.displayStructure());

    // A rename is a change of structure, so it is read at once.
    auto named = displayEntry("D1", 1, {1, 2});
    named["Spaces"][1]["Space Name"] = "web";
    EXPECT_NE(before.displayStructure(),
              SpaceParser::topology(SpaceParser::parse({named})).displayStructure());
}

} // namespace
} // namespace deskmap
