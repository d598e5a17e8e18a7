#include "DeskmapCore/Inventory/InventoryJSON.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace deskmap {
namespace {

WindowEvidence terminalWindow(std::optional<std::string> title = "build") {
    return WindowEvidence{42, "Terminal", std::move(title), WindowBounds{-10, 25, 800, 600}};
}

SpaceInventory spaceWith(std::vector<WindowEvidence> windows) {
    return SpaceInventory{2, "4", "DISPLAY-A, DISPLAY-B", true, std::move(windows)};
}

template <class Value> Value roundTrip(const Value& value) {
    return fromJSON<Value>(nlohmann::json::parse(toJSON(value).dump()));
}

TEST(InventoryJSON, RoundTripsEveryRecord) {
    const Inventory inventory{{spaceWith({terminalWindow(), terminalWindow(std::nullopt)})}};
    EXPECT_EQ(roundTrip(inventory), inventory);

    const SummaryResult result{
        "gpt-5.6-luna", {SpaceSummary(inventory.spaces[0], "Build", "Running the test suite")}};
    EXPECT_EQ(roundTrip(result), result);
    EXPECT_EQ(decodeJSON<SummaryResult>(toJSON(result).dump()), result);

    EXPECT_EQ(roundTrip(Inventory{}), Inventory{});
    EXPECT_EQ(toJSON(Inventory{}).dump(), R"({"spaces":[]})");
}

TEST(InventoryJSON, AbsentTitleIsOmittedAndNullDecodesAsAbsent) {
    const auto encoded = toJSON(terminalWindow(std::nullopt));
    EXPECT_FALSE(encoded.contains("title"));
    EXPECT_EQ(roundTrip(terminalWindow(std::nullopt)), terminalWindow(std::nullopt));

    auto withNull = nlohmann::json::parse(toJSON(terminalWindow()).dump());
    withNull["title"] = nullptr;
    EXPECT_EQ(fromJSON<WindowEvidence>(withNull).title, std::nullopt);

    // An empty title is a value of its own, not an absent one.
    EXPECT_EQ(roundTrip(terminalWindow("")).title, std::optional<std::string>(""));
}

TEST(InventoryJSON, IgnoresUnknownKeysAndAcceptsIntegralFloats) {
    auto window = nlohmann::json::parse(toJSON(terminalWindow()).dump());
    window["extra"] = {1, 2, 3};
    window["windowID"] = 42.0;
    EXPECT_EQ(fromJSON<WindowEvidence>(window), terminalWindow());
}

struct DecodingFailure {
    std::string name;
    std::function<void(nlohmann::json&)> damage;
    std::string expectedMessage;
};

// Names the case in test listings instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const DecodingFailure& failure, std::ostream* stream) {
    *stream << failure.name;
}

class InventoryDecodingFailure : public testing::TestWithParam<DecodingFailure> {};

TEST_P(InventoryDecodingFailure, FailsTheWholeDocumentNamingThePlace) {
    auto document =
        nlohmann::json::parse(toJSON(Inventory{{spaceWith({terminalWindow()})}}).dump());
    GetParam().damage(document);
    try {
        fromJSON<Inventory>(document);
        FAIL() << "decoding succeeded";
    } catch (const JSONDecodingError& error) {
        EXPECT_EQ(std::string(error.what()), GetParam().expectedMessage);
    }
}

INSTANTIATE_TEST_SUITE_P(
    StrictDecoding, InventoryDecodingFailure,
    testing::Values(
        DecodingFailure{"MissingBounds",
                        [](auto& doc) { doc["spaces"][0]["windows"][0].erase("bounds"); },
                        "spaces[0].windows[0].bounds is missing"},
        DecodingFailure{"MissingSpaces", [](auto& doc) { doc.erase("spaces"); },
                        "spaces is missing"},
        DecodingFailure{"WindowIDAbove32Bits",
                        [](auto& doc) { doc["spaces"][0]["windows"][0]["windowID"] = 4294967296; },
                        "spaces[0].windows[0].windowID must be an unsigned 32-bit integer"},
        DecodingFailure{"NegativeWindowID",
                        [](auto& doc) { doc["spaces"][0]["windows"][0]["windowID"] = -1; },
                        "spaces[0].windows[0].windowID must be an unsigned 32-bit integer"},
        DecodingFailure{"FractionalIndex", [](auto& doc) { doc["spaces"][0]["index"] = 1.5; },
                        "spaces[0].index must be a signed 64-bit integer"},
        DecodingFailure{
            "IndexBeyond64Bits",
            [](auto& doc) { doc["spaces"][0]["index"] = std::uint64_t{9223372036854775808u}; },
            "spaces[0].index must be a signed 64-bit integer"},
        DecodingFailure{"BoundsAsText",
                        [](auto& doc) { doc["spaces"][0]["windows"][0]["bounds"]["x"] = "10"; },
                        "spaces[0].windows[0].bounds.x must be a signed 64-bit integer"},
        DecodingFailure{"CurrentAsNumber", [](auto& doc) { doc["spaces"][0]["isCurrent"] = 1; },
                        "spaces[0].isCurrent must be true or false"},
        DecodingFailure{"TitleAsNumber",
                        [](auto& doc) { doc["spaces"][0]["windows"][0]["title"] = 7; },
                        "spaces[0].windows[0].title must be a string"},
        DecodingFailure{"IdAsNumber", [](auto& doc) { doc["spaces"][0]["id"] = 4; },
                        "spaces[0].id must be a string"},
        DecodingFailure{"WindowsAsObject",
                        [](auto& doc) { doc["spaces"][0]["windows"] = nlohmann::json::object(); },
                        "spaces[0].windows must be an array"},
        DecodingFailure{"DocumentAsArray", [](auto& doc) { doc = nlohmann::json::array(); },
                        "the document must be an object"}),
    [](const testing::TestParamInfo<DecodingFailure>& param) { return param.param.name; });

TEST(InventoryJSON, SummaryResultDecodingIsStrictToo) {
    const SummaryResult result{"m", {SpaceSummary(spaceWith({terminalWindow()}), "L", "S")}};
    auto document = nlohmann::json::parse(toJSON(result).dump());
    document["spaces"][0].erase("label");
    EXPECT_THROW(fromJSON<SummaryResult>(document), JSONDecodingError);
    EXPECT_THROW(decodeJSON<SummaryResult>("{\"model\": "), JSONDecodingError);
    EXPECT_THROW(decodeJSON<Inventory>("not json"), JSONDecodingError);
}

} // namespace
} // namespace deskmap
