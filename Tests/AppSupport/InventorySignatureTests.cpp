#include "DeskmapAppSupport/RefreshCoordinator/InventorySignature.hpp"

#include <gtest/gtest.h>

namespace deskmap {
namespace {

using Association = RefreshSnapshot::SummaryAssociation;

WindowEvidence window(std::uint32_t id, std::string app, std::optional<std::string> title,
                      std::int64_t x = 0) {
    return WindowEvidence{id, std::move(app), std::move(title), WindowBounds{x, 0, 800, 600}};
}

Inventory inventory() {
    return Inventory{{
        SpaceInventory{
            1, "3", "D1", true, {window(1, "Mail", "Inbox"), window(2, "Code", "a.cpp")}},
        SpaceInventory{2, "4", "D1", false, {}},
        SpaceInventory{3, "9", "D2", true, {window(3, "Notes", std::nullopt)}},
    }};
}

TEST(InventorySignature, IgnoresWhatDoesNotChangeTheWork) {
    auto moved = inventory();
    moved.spaces[0].windows[0].bounds.x = 500;
    moved.spaces[0].windows[1].windowID = 77;
    moved.spaces[0].display = "D9";
    moved.spaces[0].isCurrent = false;
    std::swap(moved.spaces[0].windows[0], moved.spaces[0].windows[1]);
    std::swap(moved.spaces[1], moved.spaces[2]);
    EXPECT_EQ(InventorySignature(moved), InventorySignature(inventory()));
}

TEST(InventorySignature, CanonicallyEquivalentTextIsTheSameEvidence) {
    // "Café" composed (U+00E9) and decomposed (e + U+0301), in title and app.
    auto composed = inventory();
    composed.spaces[0].windows[0].title = "Caf\u00e9";
    composed.spaces[0].windows[1].app = "R\u00e9sum\u00e9";
    auto decomposed = inventory();
    decomposed.spaces[0].windows[0].title = "Cafe\u0301";
    decomposed.spaces[0].windows[1].app = "Re\u0301sume\u0301";
    EXPECT_EQ(InventorySignature(composed), InventorySignature(decomposed));

    auto different = inventory();
    different.spaces[0].windows[0].title = "Cafe";
    EXPECT_NE(InventorySignature(composed), InventorySignature(different));
}

TEST(InventorySignature, NoticesWindowsAndSpacesChanging) {
    auto retitled = inventory();
    retitled.spaces[0].windows[0].title = "Inbox (1)";
    EXPECT_NE(InventorySignature(retitled), InventorySignature(inventory()));

    auto emptied = inventory();
    emptied.spaces[2].windows[0].title = "";
    EXPECT_NE(InventorySignature(emptied), InventorySignature(inventory()));

    auto opened = inventory();
    opened.spaces[1].windows.push_back(window(9, "Terminal", "zsh"));
    EXPECT_NE(InventorySignature(opened), InventorySignature(inventory()));

    auto renumbered = inventory();
    renumbered.spaces[1].id = "5";
    EXPECT_NE(InventorySignature(renumbered), InventorySignature(inventory()));
}

TEST(Rebinding, MovesSummariesOntoTheNewInventoryAllOrNothing) {
    SummaryResult summaries{"m", {}};
    for (const auto& space : inventory().spaces) {
        summaries.spaces.emplace_back(space, "Label " + space.id, "Summary " + space.id);
    }

    auto reordered = inventory();
    std::swap(reordered.spaces[0], reordered.spaces[2]);
    reordered.spaces[0].index = 1;
    reordered.spaces[2].index = 3;
    reordered.spaces[0].windows.push_back(window(8, "Terminal", "zsh"));
    const auto moved = rebinding(summaries, reordered);
    ASSERT_EQ(moved.spaces.size(), 3u);
    EXPECT_EQ(moved.model, "m");
    EXPECT_EQ(moved.spaces[0], SpaceSummary(reordered.spaces[0], "Label 9", "Summary 9"));
    EXPECT_EQ(moved.spaces[2].label, "Label 3");

    auto fewer = inventory();
    fewer.spaces.pop_back();
    EXPECT_EQ(rebinding(summaries, fewer).spaces.size(), 2u);

    auto renamed = inventory();
    renamed.spaces[1].id = "5";
    EXPECT_EQ(rebinding(summaries, renamed), summaries);
}

} // namespace
} // namespace deskmap
