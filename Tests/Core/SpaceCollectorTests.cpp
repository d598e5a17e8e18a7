#include "DeskmapCore/Collection/MacOSSpaceCollector.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "Support/FakeSources.hpp"
#include "Support/Thrown.hpp"
#include "Support/WindowServerData.hpp"

#include <gtest/gtest.h>

namespace deskmap {
namespace {

using test::displayEntry;
using test::windowEntry;

class SpaceCollectorTest : public testing::Test {
protected:
    std::shared_ptr<test::FakeSpacesProvider> spaces = std::make_shared<test::FakeSpacesProvider>();
    std::shared_ptr<test::FakeWindowProvider> windows =
        std::make_shared<test::FakeWindowProvider>();
    MacOSSpaceCollector collector{spaces, windows};

    std::string collectionFailure() {
        return test::messageOf<DeskmapError>([&] { collector.collect(); });
    }

    static std::vector<std::uint32_t> windowIDs(const SpaceInventory& space) {
        std::vector<std::uint32_t> ids;
        for (const auto& window : space.windows) {
            ids.push_back(window.windowID);
        }
        return ids;
    }
};

TEST_F(SpaceCollectorTest, FilesKeptWindowsUnderTheirSpaces) {
    spaces->displays = {displayEntry("D1", 1, {1, 2}), displayEntry("D2", 3, {3})};
    auto dock = windowEntry(4, "Dock");
    windows->list = {windowEntry(1, "Terminal", "a"), dock, windowEntry(2, "Notes", "b"),
                     windowEntry(3, "Mail", "c"), windowEntry(5, "Ghost")};
    spaces->assignments = {{1, {"1"}}, {2, {"2", "3"}}, {3, {"99"}}, {4, {"1"}}};

    const auto inventory = collector.collect();
    ASSERT_EQ(inventory.spaces.size(), 3u);
    EXPECT_EQ(windowIDs(inventory.spaces[0]), std::vector<std::uint32_t>{1});
    EXPECT_EQ(windowIDs(inventory.spaces[1]), std::vector<std::uint32_t>{2});
    // A window on two Spaces appears under both.
    EXPECT_EQ(windowIDs(inventory.spaces[2]), std::vector<std::uint32_t>{2});
    // Filtered windows are never asked for their Spaces.
    EXPECT_EQ(spaces->queried, (std::vector<std::uint32_t>{1, 2, 3, 5}));
}

TEST_F(SpaceCollectorTest, ListsAWindowOnceWhenItsAssignmentRepeatsASpace) {
    spaces->displays = {displayEntry("D1", 1, {1})};
    windows->list = {windowEntry(1, "Terminal")};
    spaces->assignments = {{1, {"1", "1"}}};
    EXPECT_EQ(windowIDs(collector.collect().spaces[0]), std::vector<std::uint32_t>{1});
}

TEST_F(SpaceCollectorTest, SortsByAppThenTitleThenWindowNumber) {
    spaces->displays = {displayEntry("D1", 1, {1})};
    windows->list = {windowEntry(5, "Safari", "B"), windowEntry(9, "Safari"),
                     windowEntry(1, "Notes", "A"),  windowEntry(8, "Safari", "B"),
                     windowEntry(2, "safari", "A"), windowEntry(3, "Ärzte", "A")};
    for (std::uint32_t id : {1, 2, 3, 5, 8, 9}) {
        spaces->assignments[id] = {"1"};
    }
    // Code-point order: "Notes" < "Safari" < "safari" < "Ärzte"; an absent
    // title sorts as empty text; equal app and title fall back to the number.
    EXPECT_EQ(windowIDs(collector.collect().spaces[0]),
              (std::vector<std::uint32_t>{1, 9, 5, 8, 2, 3}));
}

TEST_F(SpaceCollectorTest, TreatsCanonicallyEquivalentTitlesAsEqual) {
    spaces->displays = {displayEntry("D1", 1, {1})};
    const std::string composed = "Caf\xC3\xA9";    // é as one code point
    const std::string decomposed = "Cafe\xCC\x81"; // e + combining acute
    windows->list = {windowEntry(7, "Notes", composed), windowEntry(3, "Notes", decomposed),
                     windowEntry(5, "Notes", "Cafe")};
    for (std::uint32_t id : {3, 5, 7}) {
        spaces->assignments[id] = {"1"};
    }
    const auto space = collector.collect().spaces[0];
    // "Cafe" sorts first; the two spellings of "Café" are one title, so the
    // window number decides between them. The titles keep their spelling.
    EXPECT_EQ(windowIDs(space), (std::vector<std::uint32_t>{5, 3, 7}));
    EXPECT_EQ(space.windows[1].title, decomposed);
}

TEST_F(SpaceCollectorTest, FailsWhenNoSpacesAreReported) {
    EXPECT_EQ(collectionFailure(), "Could not read this desktop's Spaces: no Spaces were reported");
    EXPECT_THROW(collector.collectTopology(), DeskmapError);
    EXPECT_TRUE(spaces->queried.empty());
}

TEST_F(SpaceCollectorTest, TopologyReadsNoWindows) {
    spaces->displays = {displayEntry("D1", 2, {1, 2})};
    windows->list = {windowEntry(1, "Terminal")};
    const auto topology = collector.collectTopology();
    EXPECT_EQ(topology.spaceIDs, (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(topology.currentSpaceIDs, (std::set<std::string>{"2"}));
    EXPECT_TRUE(spaces->queried.empty());
}

} // namespace
} // namespace deskmap
