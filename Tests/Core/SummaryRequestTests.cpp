#include "DeskmapCore/Summary/SummaryRequest.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace deskmap {
namespace {

using Case = SummaryOutputValidationError::Case;

Inventory threeSpaces() {
    return Inventory{{
        SpaceInventory{1,
                       "3",
                       "D1",
                       false,
                       {WindowEvidence{5, "Terminal", "~/src — make", WindowBounds{1, 2, 300, 400}},
                        WindowEvidence{6, "Finder", std::nullopt, WindowBounds{}}}},
        SpaceInventory{2, "4", "D1", true, {}},
        SpaceInventory{3,
                       "9",
                       "D2",
                       false,
                       {WindowEvidence{7, "Mail", "Inbox", WindowBounds{0, 0, 500, 500}}}},
    }};
}

struct Entry {
    nlohmann::json index;
    std::string label;
    std::string summary;
};

std::string answer(const std::vector<Entry>& entries) {
    auto spaces = nlohmann::json::array();
    for (const auto& entry : entries) {
        spaces.push_back(
            {{"index", entry.index}, {"label", entry.label}, {"summary", entry.summary}});
    }
    return nlohmann::json{{"spaces", spaces}}.dump();
}

std::vector<Entry> validEntries() {
    return {{1, "Build", "Running the test suite"},
            {2, "Empty", "No windows are open here"},
            {3, "Mail", "Reading the inbox"}};
}

std::optional<Case> rejection(const std::string& outputText,
                              const Inventory& inventory = threeSpaces()) {
    try {
        SummaryRequest::parsedResult(outputText, "m", inventory);
    } catch (const SummaryOutputValidationError& error) {
        return error.failure();
    }
    return std::nullopt;
}

std::optional<Case> rejectionWith(std::size_t position, Entry entry) {
    auto entries = validEntries();
    entries[position] = std::move(entry);
    return rejection(answer(entries));
}

std::string repeated(const std::string& unit, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += unit;
    }
    return text;
}

TEST(SummaryRequest, MinimizedInputCarriesOnlyIndicesAppsAndTitles) {
    EXPECT_EQ(SummaryRequest::minimizedInput(threeSpaces(), APIProvider::openAI()),
              R"({"spaces":[{"index":1,"windows":[{"app":"Terminal","title":"~/src — make"},)"
              R"({"app":"Finder"}]},{"index":2,"windows":[]},)"
              R"({"index":3,"windows":[{"app":"Mail","title":"Inbox"}]}]})");
    EXPECT_EQ(SummaryRequest::minimizedInput(Inventory{}, APIProvider::openRouter()),
              R"({"spaces":[]})");
}

TEST(SummaryRequest, OneHostileSpaceCannotInflateTheRequest) {
    SpaceInventory flooded{1, "1", "D", true, {}};
    for (int each = 0; each < 400; ++each) {
        flooded.windows.push_back(WindowEvidence{static_cast<std::uint32_t>(each),
                                                 std::string(10'000, 'A'),
                                                 std::string(100'000, 'x'), WindowBounds{}});
    }
    const auto input = nlohmann::json::parse(
        SummaryRequest::minimizedInput(Inventory{{flooded}}, APIProvider::openAI()));
    const auto& windows = input["spaces"][0]["windows"];
    ASSERT_EQ(windows.size(), SummaryRequest::maximumWindowsPerSpace);
    EXPECT_EQ(windows[0]["app"], std::string(100, 'A') + "\u2026");
    EXPECT_EQ(windows[0]["title"], std::string(300, 'x') + "\u2026");
}

TEST(SummaryRequest, SchemaHasExactlyTheContractsMembers) {
    const auto schema = SummaryRequest::schema();
    const auto& items = schema["properties"]["spaces"]["items"];
    EXPECT_EQ(schema["type"], "object");
    EXPECT_EQ(schema["required"], nlohmann::json::array({"spaces"}));
    EXPECT_EQ(schema["additionalProperties"], false);
    EXPECT_EQ(schema.size(), 4u);
    EXPECT_EQ(schema["properties"]["spaces"].size(), 2u);
    EXPECT_EQ(items["required"], nlohmann::json::array({"index", "label", "summary"}));
    EXPECT_EQ(items["additionalProperties"], false);
    EXPECT_EQ(items["properties"]["index"], nlohmann::json({{"type", "integer"}}));
    EXPECT_EQ(items["properties"]["label"]["maxLength"], 40);
    EXPECT_EQ(items["properties"]["label"]["minLength"], 1);
    EXPECT_EQ(items["properties"]["summary"]["maxLength"], 100);
    EXPECT_EQ(items["properties"]["summary"]["description"],
              "English summary using the Latin alphabet only. No Chinese or other non-Latin "
              "writing.");
}

TEST(SummaryRequest, BuildsTheResultInInventoryOrderWithEvidence) {
    auto entries = validEntries();
    std::swap(entries[0], entries[2]);
    entries[1].label = "  \n Empty\t ";
    const auto result =
        SummaryRequest::parsedResult(answer(entries), "gpt-5.6-luna", threeSpaces());
    EXPECT_EQ(result.model, "gpt-5.6-luna");
    ASSERT_EQ(result.spaces.size(), 3u);
    EXPECT_EQ(result.spaces[0],
              SpaceSummary(threeSpaces().spaces[0], "Build", "Running the test suite"));
    EXPECT_EQ(result.spaces[1].label, "Empty");
    EXPECT_TRUE(result.spaces[1].isCurrent);
    EXPECT_EQ(result.spaces[2].evidence, threeSpaces().spaces[2].windows);
}

TEST(SummaryRequest, AnswerMustBeExactlyTheSchemasDocument) {
    EXPECT_EQ(rejection("not json"), Case::schemaMismatch);
    EXPECT_EQ(rejection("```json\n" + answer(validEntries()) + "\n```"), Case::schemaMismatch);
    EXPECT_EQ(rejection(R"({"items": []})"), Case::schemaMismatch);
    EXPECT_EQ(rejection(R"({"spaces": [{"index": 1, "label": "x"}]})"), Case::schemaMismatch);
    EXPECT_EQ(rejectionWith(0, {1.5, "Build", "Running tests"}), Case::schemaMismatch);
    EXPECT_EQ(rejectionWith(0, {"1", "Build", "Running tests"}), Case::schemaMismatch);
    EXPECT_EQ(rejection(R"([1, 2])"), Case::schemaMismatch);
    // Extra keys are ignored; a float holding a whole number is an integer.
    auto document = nlohmann::json::parse(answer(validEntries()));
    document["spaces"][0]["confidence"] = 0.9;
    document["spaces"][1]["index"] = 2.0;
    EXPECT_EQ(rejection(document.dump()), std::nullopt);
}

TEST(SummaryRequest, LengthsCountUserPerceivedCharacters) {
    EXPECT_EQ(rejectionWith(0, {1, repeated("a", 40), "ok phrase"}), std::nullopt);
    EXPECT_EQ(rejectionWith(0, {1, repeated("a", 41), "ok phrase"}), Case::constraints);
    EXPECT_EQ(rejectionWith(0, {1, "ok", repeated("b", 100)}), std::nullopt);
    EXPECT_EQ(rejectionWith(0, {1, "ok", repeated("b", 101)}), Case::constraints);
    // Forty family emoji (several scalars each) and forty decomposed "é".
    EXPECT_EQ(rejectionWith(0, {1, repeated("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9", 40),
                                "ok phrase"}),
              std::nullopt);
    EXPECT_EQ(rejectionWith(0, {1, repeated("e\xCC\x81", 40), "ok phrase"}), std::nullopt);
    EXPECT_EQ(rejectionWith(0, {1, repeated("e\xCC\x81", 41), "ok phrase"}), Case::constraints);
}

TEST(SummaryRequest, RejectsBlankAndControlCharacters) {
    EXPECT_EQ(rejectionWith(0, {1, "   ", "ok phrase"}), Case::constraints);
    EXPECT_EQ(rejectionWith(0, {1, "ok", "\n\t"}), Case::constraints);
    EXPECT_EQ(rejectionWith(0, {1, "ok", "line\nbreak"}), Case::constraints);
    EXPECT_EQ(rejectionWith(0, {1, "tab\there", "ok"}), Case::constraints);
    EXPECT_EQ(rejectionWith(0, {1, "ok", "bell\x7f"}), Case::constraints);
    EXPECT_EQ(rejectionWith(0, {1, "ok", "c1\xC2\x85inside"}), Case::constraints);
    // Overrides and isolates would reorder what is shown beside the label.
    EXPECT_EQ(rejectionWith(0, {1, "\u202Ereversed", "ok"}), Case::constraints);
    EXPECT_EQ(rejectionWith(0, {1, "ok", "isolated \u2067text"}), Case::constraints);
}

TEST(SummaryRequest, AcceptsLatinWritingOnly) {
    for (const char* latin :
         {"Café résumé naïve", "JIRA-1234 rollout", "Ship it \xF0\x9F\x9A\x80 today",
          "\xEF\xBC\xA1\xEF\xBC\xA2\xEF\xBC\xA3 full-width", "100% done, v2.1!"}) {
        EXPECT_EQ(rejectionWith(0, {1, "ok", latin}), std::nullopt) << latin;
    }
    for (const char* nonLatin :
         {"Release \xCE\xB1lpha", "\xD0\xA0\xD0\xB5\xD0\xBB\xD0\xB8\xD0\xB7", "1\xC2\xAA place",
          "Chapter \xE2\x85\xA0", "\xE6\x97\xA5\xE6\x9C\xAC"}) {
        EXPECT_EQ(rejectionWith(0, {1, "ok", nonLatin}), Case::nonEnglishText) << nonLatin;
        EXPECT_TRUE(SummaryRequest::containsNonLatinAlphabeticCharacters(nonLatin));
    }
}

TEST(SummaryRequest, ChecksEntriesInAnswerOrderAndRulesInOrder) {
    const std::string cyrillic = "\xD0\xA0\xD0\xB0\xD0\xB1\xD0\xBE\xD1\x82\xD0\xB0";
    // Too long and Cyrillic: length comes first.
    EXPECT_EQ(rejectionWith(0, {1, repeated(cyrillic, 10), "ok"}), Case::constraints);
    // A Cyrillic entry before a too-long one: the first entry decides.
    auto entries = validEntries();
    entries[0].label = cyrillic;
    entries[2].label = repeated("a", 41);
    EXPECT_EQ(rejection(answer(entries)), Case::nonEnglishText);
    // A duplicate is a constraint violation even when every Space is named.
    entries = validEntries();
    entries.push_back({2, "Again", "Second entry for two"});
    EXPECT_EQ(rejection(answer(entries)), Case::constraints);
}

TEST(SummaryRequest, EveryInventorySpaceExactlyOnce) {
    auto entries = validEntries();
    entries.pop_back();
    EXPECT_EQ(rejection(answer(entries)), Case::incompleteSpaces);
    entries.push_back({4, "Stray", "Names no Space"});
    EXPECT_EQ(rejection(answer(entries)), Case::incompleteSpaces);
    EXPECT_EQ(rejection(answer({})), Case::incompleteSpaces);
    const auto empty = SummaryRequest::parsedResult(answer({}), "m", Inventory{});
    EXPECT_TRUE(empty.spaces.empty());
}

} // namespace
} // namespace deskmap
