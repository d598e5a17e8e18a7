#include "Deskmap/Qt/Popover/SpaceListPopover.hpp"
#include "Deskmap/Qt/Popover/SpaceListView.hpp"
#include "Deskmap/Qt/Popover/SpaceRow.hpp"
#include "Deskmap/Qt/Style/Styling.hpp"
#include "DeskmapPlatform/Simulated/DemoScenario.hpp"
#include "QtTestSupport.hpp"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <algorithm>
#include <map>

namespace deskmap::test {
namespace {

using namespace std::chrono_literals;

// What a model might write for the demo desktop's Spaces.
class DemoSummarizer final : public SpaceSummarizing {
public:
    asio::awaitable<SummaryResult> summarize(Inventory inventory) override {
        static const std::map<std::int64_t, std::pair<std::string, std::string>> written{
            {1, {"Inbox and planning", "Weekly calendar, unread mail and the release channel"}},
            {2, {"Inventory service", "Rebasing the collector branch and running its tests"}},
            {3, {"Window list cache PR", "Reviewing PR #482 with the deskmap notes open"}},
            {4, {"Onboarding design", "Onboarding flow v3 in Figma beside the Q4 overview"}},
            {7, {"Quarterly planning", "Planning document and the 2027 budget"}},
            {9, {"Staging rollout", "Rolling out to staging while watching latency"}},
        };
        SummaryResult result{"demo-model", {}};
        for (const auto& space : inventory.spaces) {
            const auto found = written.find(space.index);
            if (found != written.end()) {
                result.spaces.emplace_back(space, found->second.first, found->second.second);
            } else {
                result.spaces.emplace_back(space, "Light work", "A few windows, nothing pressing");
            }
        }
        co_return result;
    }
};

class DemoSummarizers final : public SummarizerBuilding {
public:
    std::shared_ptr<SpaceSummarizing> makeSummarizer(const std::string&) const override {
        ++built;
        if (failing) {
            throw DeskmapError::transport("could not connect to the server");
        }
        return std::make_shared<DemoSummarizer>();
    }
    std::atomic<bool> failing{false};
    mutable std::atomic<int> built{0};
};

class SpaceListViewTest : public QtViewModelTest {
protected:
    void useDemoDesktop() {
        simulated = std::make_shared<platform::SimulatedWindowServer>(platform::demoScenario());
        windowServer = std::make_shared<WatchedWindowServer>(simulated, forbidden);
    }

    void open() {
        view = std::make_unique<qt::SpaceListView>(viewModel);
        view->setRelativeTimeFormatter(
            [](std::chrono::system_clock::time_point) { return std::string("2 minutes ago"); });
        view->setAvailableScreenHeight(900);
        view->resize(420, view->sizeHint().height());
        view->show();
        QCoreApplication::processEvents();
    }

    std::vector<qt::SpaceRow*> rows() {
        std::vector<qt::SpaceRow*> found;
        for (auto* row : view->findChildren<qt::SpaceRow*>()) {
            if (row->isVisibleTo(view.get())) {
                found.push_back(row);
            }
        }
        return found;
    }

    void fit() {
        view->resize(420, view->sizeHint().height());
        QCoreApplication::processEvents();
    }

    bool enabled(const QString& name) {
        auto* button = visible<QAbstractButton>(view.get(), name);
        return button && button->isEnabled();
    }

    // Once `status` has held for a moment: a follow-up pass that was already
    // asked for has run, so a screenshot shows the state it is named for.
    bool settled(RefreshSnapshot::Status status) {
        const auto reached = [&] { return viewModel->snapshot().status == status; };
        if (!runUntil(reached)) {
            return false;
        }
        settle(300ms);
        return runUntil(reached, 5s);
    }

    std::unique_ptr<qt::SpaceListView> view;
};

TEST_F(SpaceListViewTest, ListsEverySpaceOnceCollected) {
    summarizers->hold = true;
    windowServer->holdReads = true;
    make();
    view = std::make_unique<qt::SpaceListView>(viewModel);
    EXPECT_TRUE(showsText(view.get(), "Collecting local Space information..."));
    EXPECT_TRUE(rows().empty());
    fit();
    screenshots(view.get(), "popover-collecting");
    view.reset();
    windowServer->holdReads = false;
    open();
    ASSERT_TRUE(runUntil([&] { return rows().size() == 5; }));
    EXPECT_FALSE(showsText(view.get(), "Collecting local Space information..."));
    EXPECT_EQ(rows()[1]->accessibleName(), "Terminal") << "the local label until a summary exists";
    EXPECT_EQ(rows()[1]->accessibleDescription(), "Current Space");
    EXPECT_EQ(rows()[0]->accessibleDescription(), "Switch to this Space");
    EXPECT_TRUE(shows(rows()[1], "Space 2, current"));
    EXPECT_TRUE(shows(rows()[4], "Space 5, current")) << rows()[4]->space().index;

    EXPECT_TRUE(shows(view.get(), "Refreshing Spaces")) << "the summary is still running";
    EXPECT_FALSE(enabled("Refresh Now"));
    fit();
    screenshots(view.get(), "popover-refreshing");
    summarizers->hold = false;
    ASSERT_TRUE(runUntil([&] { return enabled("Refresh Now"); }));
    EXPECT_FALSE(shows(view.get(), "Refreshing Spaces"));
}

TEST_F(SpaceListViewTest, AClickThatStartsASwitchClosesThePopoverAndOneThatDoesNotKeepsIt) {
    make();
    open();
    ASSERT_TRUE(runUntil([&] { return rows().size() == 5; }));
    QSignalSpy started(view.get(), &qt::SpaceListView::switchStarted);
    QTest::mouseClick(rows()[1], Qt::LeftButton); // the current Space
    settle(100ms);
    EXPECT_EQ(started.count(), 0);
    QTest::mouseClick(rows()[3], Qt::LeftButton);
    ASSERT_TRUE(runUntil([&] { return started.count() == 1; }));
    ASSERT_TRUE(runUntil([&] {
        const auto shown = rows();
        return shown.size() == 5 && shown[3]->space().isCurrent;
    })) << "the map follows the switch";
}

TEST_F(SpaceListViewTest, TheKeyboardMovesASelectionAndSwitches) {
    make();
    open();
    ASSERT_TRUE(runUntil([&] { return rows().size() == 5; }));
    QSignalSpy started(view.get(), &qt::SpaceListView::switchStarted);
    QTest::keyClick(view.get(), Qt::Key_Down);
    QTest::keyClick(view.get(), Qt::Key_Down);
    QTest::keyClick(view.get(), Qt::Key_Down);
    QTest::keyClick(view.get(), Qt::Key_Up);
    EXPECT_TRUE(rows()[1]->isSelected());
    EXPECT_FALSE(rows()[0]->isSelected());
    QTest::keyClick(view.get(), Qt::Key_Return);
    settle(100ms);
    EXPECT_EQ(started.count(), 0) << "the selected Space is already current";
    QTest::keyClick(view.get(), Qt::Key_4);
    ASSERT_TRUE(runUntil([&] { return started.count() == 1; }));
    ASSERT_TRUE(runUntil([&] {
        return viewModel->snapshot().inventory &&
               viewModel->snapshot().inventory->spaces[3].isCurrent;
    }));
    QTest::keyClick(view.get(), Qt::Key_8);
    settle(50ms);
    EXPECT_EQ(started.count(), 1) << "no Space 8 here";
}

TEST_F(SpaceListViewTest, DisplaysGroupTheRowsTypingFindsThemAndTwoDigitsReachPastNine) {
    // The pointer on the second display, whose Spaces are 7 to 12.
    auto scenario = platform::demoScenario();
    scenario["cursorDisplay"] = "9A1E7F21-5C34-4B0E-8D2A-6E0F4C1B7D93";
    simulated = std::make_shared<platform::SimulatedWindowServer>(scenario);
    windowServer = std::make_shared<WatchedWindowServer>(simulated, forbidden);
    customSummarizers = std::make_shared<DemoSummarizers>();
    saveKeyBeforeStart(SummaryProvider::openAI, "sk-demo");
    setupSettings->setCompleted();
    make();
    open();
    ASSERT_TRUE(runUntil([&] { return summarized(); }));
    ASSERT_TRUE(settled(RefreshSnapshot::Status::ready));
    EXPECT_TRUE(shows(view.get(), "eDP-1 · on Space 3")) << "displays by the desktop's names";
    EXPECT_TRUE(shows(view.get(), "DP-2 · on Space 9"));
    EXPECT_TRUE(showsText(view.get(), "Comms")) << "a Space's name beside its number";
    EXPECT_FALSE(showsText(view.get(), "Desktop 3")) << "a name that only repeats the number";
    screenshots(view.get(), "popover-named");
    QSignalSpy started(view.get(), &qt::SpaceListView::switchStarted);

    QTest::keyClicks(view.get(), "PLAN");
    const auto found = rows();
    ASSERT_GE(found.size(), 2u);
    EXPECT_LT(found.size(), 12u);
    EXPECT_EQ(found[0]->space().index, 1);
    EXPECT_TRUE(found[0]->isSelected()) << "the first match is selected";

    EXPECT_TRUE(
        std::any_of(found.begin(), found.end(), [](auto* row) { return row->space().index == 7; }));
    EXPECT_EQ(visible<QLineEdit>(view.get(), "Find Spaces")->text(), "PLAN");
    fit();
    screenshots(view.get(), "popover-find");
    QTest::keyClick(view.get(), Qt::Key_Down);
    EXPECT_TRUE(found[1]->isSelected()) << "Down moves among the rows shown";
    QTest::keyClick(view.get(), Qt::Key_Backspace);
    QTest::keyClicks(view.get(), "  weekly");
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_FALSE(shows(view.get(), "DP-2 · on Space 9"))
        << "a display without a row found keeps no header";
    QTest::keyClick(view.get(), Qt::Key_Escape);
    EXPECT_EQ(rows().size(), 12u) << "Escape clears what was typed";
    EXPECT_FALSE(shows(view.get(), "Find Spaces"));
    EXPECT_FALSE(view->handleKey(Qt::Key_Escape)) << "then it is the window's, which closes";

    QTest::keyClick(view.get(), Qt::Key_1);
    QTest::keyClick(view.get(), Qt::Key_2);
    ASSERT_TRUE(runUntil([&] { return started.count() == 1; }));
    ASSERT_TRUE(runUntil([&] { return viewModel->snapshot().inventory->spaces[11].isCurrent; }))
        << "1 then 2 is Space 12";
    QTest::keyClick(view.get(), Qt::Key_1);
    settle(200ms);
    EXPECT_EQ(started.count(), 1) << "a 1 waits for a second digit";
    QTest::keyClick(view.get(), Qt::Key_0);
    ASSERT_TRUE(runUntil([&] { return started.count() == 2; }));
    ASSERT_TRUE(runUntil([&] { return viewModel->snapshot().inventory->spaces[9].isCurrent; }))
        << "1 then 0 is Space 10";
    settle(400ms); // the switcher confirms its last gesture after the map shows it
    QTest::keyClick(view.get(), Qt::Key_8);
    ASSERT_TRUE(runUntil([&] { return started.count() == 3; })) << "8 cannot begin a number";
    ASSERT_TRUE(runUntil([&] { return viewModel->snapshot().inventory->spaces[7].isCurrent; }));
}

TEST_F(SpaceListViewTest, TheStatusLineOpensSetupUntilItIsDone) {
    make();
    open();
    QSignalSpy setup(view.get(), &qt::SpaceListView::setupRequested);
    ASSERT_TRUE(shows(view.get(), "Status: Setup required"));
    click(view.get(), "Status: Setup required");
    EXPECT_EQ(setup.count(), 1);

    // Redrawn again and again (every 30 s, on every change), the status
    // keeps the secondary colour of the current palette.
    auto* status = visible<QAbstractButton>(view.get(), "Status: Setup required");
    for (int redraw = 0; redraw < 4; ++redraw) {
        applyAppearance(redraw % 2 == 0 ? Appearance::dark : Appearance::light);
    }
    auto* statusText = status->findChild<QLabel*>();
    ASSERT_NE(statusText, nullptr);
    EXPECT_EQ(statusText->palette().color(QPalette::WindowText),
              qt::Styling::secondaryText(view->palette()));
}

TEST_F(SpaceListViewTest, TheDemoDesktopWithSummariesAndAStaleOne) {
    useDemoDesktop();
    auto demo = std::make_shared<DemoSummarizers>();
    customSummarizers = demo;
    saveKeyBeforeStart(SummaryProvider::openAI, "sk-demo");
    setupSettings->setCompleted();
    make();
    open();
    ASSERT_TRUE(runUntil([&] { return summarized(); }));
    ASSERT_TRUE(settled(RefreshSnapshot::Status::ready));
    fit();
    EXPECT_EQ(labelText(view.get(), "Status: Refreshed 2 minutes ago"), "Refreshed 2 minutes ago");
    EXPECT_EQ(rows()[0]->accessibleName(), "Inbox and planning");
    EXPECT_FALSE(shows(view.get(), "Stale summary for older evidence"));
    screenshots(view.get(), "popover-demo");

    // The list takes what the screen leaves beside the rest of the popover.
    const int chrome = view->height() - view->listHeight();
    view->setAvailableScreenHeight(600);
    EXPECT_EQ(view->listHeight(), 600 - chrome - 16);
    view->setAvailableScreenHeight(chrome + 100);
    EXPECT_EQ(view->listHeight(), 84) << "never taller than the screen leaves room for";
    view->setAvailableScreenHeight(900);

    // The windows change and the new summary fails: the old one stays,
    // marked stale where its evidence no longer matches.
    windowServer->retitle("Inbox – 4 messages, 2 unread", "Inbox – 5 messages, 3 unread");
    demo->failing = true;
    viewModel->refreshNow();
    ASSERT_TRUE(runUntil([&] {
        return viewModel->snapshot().summaryAssociation ==
               RefreshSnapshot::SummaryAssociation::stale;
    }));
    fit();
    const auto shown = rows();
    ASSERT_EQ(shown.size(), 12u);
    const auto stale = [](qt::SpaceRow* row) {
        return shows(row, "Stale summary for older evidence");
    };
    const auto renamedSpace = std::find_if(shown.begin(), shown.end(), [](auto* row) {
        const auto& windows = row->space().windows;
        return std::any_of(windows.begin(), windows.end(), [](const auto& window) {
            return window.title == std::optional<std::string>("Inbox – 5 messages, 3 unread");
        });
    });
    ASSERT_NE(renamedSpace, shown.end());
    EXPECT_TRUE(stale(*renamedSpace));
    EXPECT_EQ(std::count_if(shown.begin(), shown.end(), stale), 1)
        << "unchanged Spaces keep a current summary";
    ASSERT_TRUE(settled(RefreshSnapshot::Status::summaryFailed));
    screenshots(view.get(), "popover-stale");
}

TEST_F(SpaceListViewTest, ThePopupClosesOnEscapeAndOnASwitchTheWindowQuitsOnClose) {
    make();
    qt::SpaceListPopover popup(viewModel, qt::SpaceListPopover::Mode::popup);
    popup.present(QRect(600, 2, 20, 20));
    ASSERT_TRUE(runUntil([&] { return popup.findChildren<qt::SpaceRow*>().size() == 5; }));
    settle(30ms);
    EXPECT_TRUE(popup.isVisible());
    QTest::keyClick(&popup, Qt::Key_Escape);
    EXPECT_FALSE(popup.isVisible());

    popup.present(QRect(600, 2, 20, 20));
    QTest::keyClick(popup.view(), Qt::Key_2);
    settle(100ms);
    EXPECT_TRUE(popup.isVisible()) << "Space 2 is already current: nothing started";
    QTest::keyClick(popup.view(), Qt::Key_3);
    ASSERT_TRUE(runUntil([&] { return !popup.isVisible(); })) << "a switch started: it closes";

    qt::SpaceListPopover window(viewModel, qt::SpaceListPopover::Mode::window);
    QSignalSpy quit(&window, &qt::SpaceListPopover::quitRequested);
    window.present();
    EXPECT_EQ(window.windowTitle(), "Deskmap");
    window.close();
    EXPECT_EQ(quit.count(), 1) << "closing the app's only window quits";
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible()) << "Escape does not close the window form";
}

TEST_F(SpaceListViewTest, AFailureShowsInTheStatusLine) {
    useDemoDesktop();
    auto demo = std::make_shared<DemoSummarizers>();
    demo->failing = true;
    customSummarizers = demo;
    saveKeyBeforeStart(SummaryProvider::openAI, "sk-demo");
    setupSettings->setCompleted();
    make();
    open();
    ASSERT_TRUE(runUntil(
        [&] { return viewModel->snapshot().status == RefreshSnapshot::Status::summaryFailed; }));
    fit();
    ASSERT_TRUE(settled(RefreshSnapshot::Status::summaryFailed));
    EXPECT_EQ(demo->built, 2) << "the start and the key's read; a failure asks for nothing more";
    const auto message = QString::fromStdString(viewModel->snapshot().errorMessage.value_or(""));
    EXPECT_FALSE(message.isEmpty());
    EXPECT_EQ(labelText(view.get(), "Status: " + message), message);
    const auto colour =
        visible<QLabel>(view.get(), "Status: " + message)->palette().color(QPalette::WindowText);
    EXPECT_GT(colour.red(), colour.green() + 60) << "a failure is red";
    screenshots(view.get(), "popover-failure");
}

} // namespace
} // namespace deskmap::test
