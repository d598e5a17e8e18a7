#include "Deskmap/Qt/Popover/PopoverPlacement.hpp"
#include "Deskmap/Qt/Popover/RelativeTime.hpp"
#include "Deskmap/Qt/Popover/SpaceListPresentation.hpp"
#include "Deskmap/Qt/Popover/SpaceNumberEntry.hpp"

#include <gtest/gtest.h>

namespace deskmap::qt {
namespace {

namespace P = SpaceListPresentation;
using namespace std::chrono_literals;

WindowEvidence window(std::uint32_t id, std::string app, std::string title = "t") {
    return {id, std::move(app), std::move(title), {0, 0, 100, 100}};
}

SpaceInventory space(std::int64_t index, std::vector<WindowEvidence> windows) {
    return {index, std::to_string(index), "AAAA", false, std::move(windows)};
}

TEST(SpaceRowContent, LocalLabelAndSummaryBeforeAnySummaryExists) {
    const auto three =
        space(1, {window(1, "Safari"), window(2, "Mail"), window(3, "Notes"), window(4, "Mail")});
    EXPECT_EQ(P::localLabel(three), "Mail and Notes");
    EXPECT_EQ(
        P::localSummary(space(1, {window(1, "Safari"), window(2, "Mail"), window(3, "Notes")})),
        "Local inventory contains 3 windows.");
    EXPECT_EQ(P::localLabel(space(2, {window(1, "Terminal")})), "Terminal");
    EXPECT_EQ(P::localSummary(space(2, {window(1, "Terminal")})),
              "Local inventory contains 1 window.");
    EXPECT_EQ(P::localLabel(space(3, {})), "Sparse evidence");
    EXPECT_EQ(P::localSummary(space(3, {})), "No meaningful window evidence was found.");
    EXPECT_EQ(P::localLabel(space(4, {window(1, "Zed"), window(2, "Ärger"), window(3, "Bear")})),
              "Bear and Zed")
        << "ascending text order";
    // App names are outside text: right-to-left or overriding names are
    // isolated, so "and" stays between them.
    EXPECT_EQ(P::localLabel(space(5, {window(1, "\u202Eevil"), window(2, "\u05D0\u05D1")})),
              "\u2068\u05D0\u05D1\u2069 and evil");

    RefreshSnapshot snapshot;
    EXPECT_EQ(P::rowContent(three, snapshot),
              (P::RowContent{"Mail and Notes", "Local inventory contains 4 windows.", false}));
}

TEST(SpaceRowContent, TheFirstSummaryForTheIndexAndTheStaleRule) {
    const auto current = space(2, {window(1, "Code"), window(2, "Terminal")});
    RefreshSnapshot snapshot;
    snapshot.summaries = SummaryResult{"m",
                                       {SpaceSummary(space(1, {}), "Other", "other"),
                                        SpaceSummary(current, "Build", "first"),
                                        SpaceSummary(current, "Second", "second")}};
    snapshot.summaryAssociation = RefreshSnapshot::SummaryAssociation::current;
    EXPECT_EQ(P::rowContent(current, snapshot), (P::RowContent{"Build", "first", false}));

    snapshot.summaryAssociation = RefreshSnapshot::SummaryAssociation::stale;
    EXPECT_FALSE(P::rowContent(current, snapshot).summaryIsStale)
        << "the summary was made from exactly these windows";
    auto retitled = current;
    retitled.windows[1].title = "make test";
    EXPECT_EQ(P::rowContent(retitled, snapshot), (P::RowContent{"Build", "first", true}));
    auto reordered = current;
    std::swap(reordered.windows[0], reordered.windows[1]);
    EXPECT_TRUE(P::rowContent(reordered, snapshot).summaryIsStale) << "compared element by element";
    EXPECT_EQ(P::rowContent(space(7, {}), snapshot),
              (P::RowContent{"Sparse evidence", "No meaningful window evidence was found.", true}))
        << "stale and no summary of its own";

    // Judged against what may be sent: a withheld window changes nothing.
    auto withVault = current;
    withVault.windows.push_back(window(3, "KeePassXC", "Bank.kdbx"));
    EXPECT_TRUE(P::rowContent(withVault, snapshot).summaryIsStale) << "unknown what is sent";
    snapshot.sent = SendableInventory{Inventory{{current}}, {1}};
    EXPECT_FALSE(P::rowContent(withVault, snapshot).summaryIsStale);
}

SpaceInventory on(std::string display, std::int64_t index, bool current = false) {
    return {index, std::to_string(index), std::move(display), current, {}};
}

TEST(SpaceListGroups, AHeaderPerDisplayOnlyWithSeveral) {
    EXPECT_EQ(P::displayGroups({{on("A", 1), on("A", 2, true)}}),
              (std::vector<P::DisplayGroup>{{std::nullopt, {0, 1}}}));
    EXPECT_EQ(P::displayGroups({}), std::vector<P::DisplayGroup>{});

    // A Space both displays report goes under the first; numbering is the
    // order displays first appear, and one coming back gets its number again.
    const Inventory inventory{
        {on("A", 1), on("A, B", 2, true), on("B", 3, true), on("C", 4), on("B", 5)}};
    EXPECT_EQ(P::displayGroups(inventory),
              (std::vector<P::DisplayGroup>{{"Display 1 · on Space 2", {0, 1}},
                                            {"Display 2 · on Space 3", {2}},
                                            {"Display 3", {3}},
                                            {"Display 2 · on Space 3", {4}}}));
}

TEST(SpaceListFilter, EveryWordInAnyCaseWithOrWithoutAccents) {
    const auto mail = space(1, {window(1, "Thunderbird", "Inbox — Zoë Müller")});
    const P::RowContent content{"Mail", "Reading the team's letters", false};
    EXPECT_TRUE(P::matches(mail, content, ""));
    EXPECT_TRUE(P::matches(mail, content, "MAIL"));
    EXPECT_TRUE(P::matches(mail, content, "zoe muller")) << "accents and case ignored";
    EXPECT_TRUE(P::matches(mail, content, "thunder team")) << "app name and summary";
    EXPECT_FALSE(P::matches(mail, content, "thunder build")) << "every word must be found";
    EXPECT_TRUE(P::matches(mail, content, "  inbox  ")) << "spaces around words";
    EXPECT_FALSE(P::matches(space(2, {window(1, "Mail", "x")}), {"Sparse", "", false}, "inbox"));
}

TEST(SpaceNumbers, TwoDigitsFromTenSpacesOn) {
    using Clock = SpaceNumberEntry::Clock;
    const Clock::time_point t0{};
    SpaceNumberEntry entry;
    using Outcome = SpaceNumberEntry::Outcome;
    EXPECT_EQ(entry.digit(3, t0, 9), (Outcome{3, false})) << "below ten Spaces at once";
    EXPECT_EQ(entry.digit(0, t0, 9), (Outcome{std::nullopt, false})) << "there is no Space 0";

    EXPECT_EQ(entry.digit(1, t0, 12), (Outcome{std::nullopt, true}));
    EXPECT_EQ(entry.deadline(), t0 + 600ms);
    EXPECT_EQ(entry.digit(2, t0 + 599ms, 12), (Outcome{12, false}));

    EXPECT_EQ(entry.digit(5, t0, 12), (Outcome{5, false})) << "no Space 50 or above";
    EXPECT_EQ(entry.digit(1, t0, 12), (Outcome{std::nullopt, true}));
    EXPECT_EQ(entry.expire(t0 + 599ms), std::nullopt) << "still waiting";
    EXPECT_EQ(entry.expire(t0 + 600ms), 1) << "no second digit came";
    EXPECT_EQ(entry.expire(t0 + 900ms), std::nullopt) << "once only";

    EXPECT_EQ(entry.digit(1, t0, 12), (Outcome{std::nullopt, true}));
    EXPECT_EQ(entry.digit(5, t0 + 10ms, 12), (Outcome{1, false})) << "15 names no Space";
    EXPECT_EQ(entry.digit(1, t0, 12), (Outcome{std::nullopt, true}));
    EXPECT_EQ(entry.digit(0, t0 + 700ms, 12), (Outcome{1, false}))
        << "too late: the first digit stood alone";
    EXPECT_EQ(entry.digit(2, t0, 99), (Outcome{std::nullopt, true}));
    EXPECT_EQ(entry.digit(0, t0 + 1ms, 99), (Outcome{20, false}));
    EXPECT_EQ(entry.digit(3, t0, 99), (Outcome{std::nullopt, true}));
    EXPECT_EQ(entry.commit(), 3) << "its timer (or Return) takes it whatever the clock says";
    EXPECT_EQ(entry.commit(), std::nullopt);
}

TEST(SpaceListStatus, TheFirstRuleThatAppliesInOrder) {
    const auto relative = [](std::chrono::system_clock::time_point) {
        return std::string("5 minutes ago");
    };
    P::StatusInputs inputs;
    inputs.snapshot.status = RefreshSnapshot::Status::collectionFailed;
    inputs.spaceSwitchMessage = "Accessibility access is required.";
    EXPECT_EQ(P::status(inputs, relative), (P::Status{"Setup required", true}))
        << "setup first; the colour still says failure";

    inputs.firstTimeSetupCompleted = true;
    EXPECT_EQ(P::status(inputs, relative), (P::Status{"Accessibility access is required.", true}));
    inputs.spaceSwitchMessage.reset();

    inputs.provider = SummaryProvider::installedClient;
    inputs.verification = InstalledClientVerificationState::checking();
    EXPECT_EQ(P::status(inputs, relative).text,
              "Checking the installed client before sending window metadata...");
    inputs.verification = InstalledClientVerificationState::unavailable("Codex is missing.");
    EXPECT_EQ(P::status(inputs, relative), (P::Status{"Codex is missing.", true}));
    inputs.verification = InstalledClientVerificationState::available();

    EXPECT_EQ(P::status(inputs, relative), (P::Status{"Error", true}));
    inputs.snapshot.errorMessage = "Could not read the window list.";
    EXPECT_EQ(P::status(inputs, relative), (P::Status{"Could not read the window list.", true}));

    const std::vector<std::pair<RefreshSnapshot::Status, P::Status>> byStatus{
        {RefreshSnapshot::Status::ready, {"Ready", false}},
        {RefreshSnapshot::Status::refreshing, {"Refreshing", false}},
        {RefreshSnapshot::Status::needsSetup, {"Setup required", false}},
        {RefreshSnapshot::Status::needsWindowTitleAccess, {"Permission required", true}},
        {RefreshSnapshot::Status::summaryFailed, {"Could not read the window list.", true}},
        {RefreshSnapshot::Status::credentialFailed, {"Could not read the window list.", true}}};
    for (const auto& [status, expected] : byStatus) {
        inputs.snapshot.status = status;
        EXPECT_EQ(P::status(inputs, relative), expected);
    }
    inputs.snapshot.status = RefreshSnapshot::Status::ready;
    inputs.snapshot.lastSuccessfulSummaryAt = std::chrono::system_clock::now();
    EXPECT_EQ(P::status(inputs, relative), (P::Status{"Refreshed 5 minutes ago", false}));
}

TEST(SpaceListHeight, FollowsTheContentWithinTheScreen) {
    EXPECT_EQ(P::listHeight(900, 170, 300), 300);
    EXPECT_EQ(P::listHeight(900, 170, 1000), 714);
    EXPECT_EQ(P::listHeight(900, 170, 100), 220);
    EXPECT_EQ(P::listHeight(300, 170, 1000), 114);
    EXPECT_EQ(P::listHeight(300, 170, 10), 114);
    EXPECT_EQ(P::listHeight(100, 170, 300), 0);
}

TEST(RelativeTime, NamesRecentInstantsInWords) {
    const auto now = std::chrono::system_clock::now();
    EXPECT_EQ(RelativeTime::describe(now, now), "now");
    EXPECT_EQ(RelativeTime::describe(now + 5min, now), "now") << "a clock set back";
    EXPECT_EQ(RelativeTime::describe(now - 30s, now), "30 seconds ago");
    EXPECT_EQ(RelativeTime::describe(now - 1min, now), "1 minute ago");
    EXPECT_EQ(RelativeTime::describe(now - 5min - 20s, now), "5 minutes ago");
    EXPECT_EQ(RelativeTime::describe(now - 2h, now), "2 hours ago");
    EXPECT_EQ(RelativeTime::describe(now - 26h, now), "yesterday");
    EXPECT_EQ(RelativeTime::describe(now - 24h * 9, now), "last week");
    EXPECT_EQ(RelativeTime::describe(now - 24h * 800, now), "2 years ago");
}

} // namespace
} // namespace deskmap::qt

namespace deskmap::qt {
namespace {

TEST(PopoverPlacement, BesideTheIconAndInsideTheScreen) {
    const QRect screen(0, 0, 1280, 800);
    const QRect usable(0, 24, 1280, 776); // below a top panel
    const QSize size(420, 600);
    EXPECT_EQ(popoverPosition(QRect(600, 2, 20, 20), size, usable), QPoint(400, 26))
        << "below an icon in a top panel, centred on it";
    EXPECT_EQ(popoverPosition(QRect(1256, 2, 20, 20), size, usable), QPoint(860, 26))
        << "kept inside the right edge";
    EXPECT_EQ(popoverPosition(QRect(600, 778, 20, 20), size, QRect(0, 0, 1280, 776)),
              QPoint(400, 174))
        << "above an icon in a bottom panel";
    EXPECT_EQ(popoverPosition(QRect(5, 400, 1, 1), QSize(420, 900), screen), QPoint(0, 0))
        << "taller than the screen: from its top";
}

} // namespace
} // namespace deskmap::qt
