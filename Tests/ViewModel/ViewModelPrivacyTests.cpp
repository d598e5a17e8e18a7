// The privacy rules as Settings changes them: a change withdraws the
// summaries, and the next ones see only what may be sent.
#include "ViewModelTestSupport.hpp"

namespace deskmap {
namespace {

using test::ViewModelTest;
using namespace std::chrono_literals;

class ViewModelPrivacyTest : public ViewModelTest {
protected:
    void startWithKey() {
        saveKeyBeforeStart(SummaryProvider::openAI, "sk-saved");
        make();
        ASSERT_TRUE(runUntil([&] { return summarized(); }));
    }

    std::size_t withheldOnSpaceTwo() const { return viewModel->snapshot().sent->withheld.at(1); }

    // Whether summaries are shown that were made with `withheld` windows of
    // Space 2 withheld.
    bool summarizedWithholding(std::size_t withheld) {
        return runUntil([&] { return summarized() && withheldOnSpaceTwo() == withheld; });
    }

    static PrivacyRules withholdingTerminal() {
        auto rules = PrivacyRules::defaults();
        rules.excludedApps.push_back("terminal");
        return rules;
    }

    void withholdTerminal() {
        viewModel->changePrivacyRules(
            [](PrivacyRules& rules) { rules.excludedApps.push_back("terminal"); });
    }
};

TEST_F(ViewModelPrivacyTest, ARuleChangeWithdrawsTheSummariesAndTheNextSeeOnlyWhatMayBeSent) {
    startWithKey();
    ASSERT_EQ(summarizers->finished, 1);
    EXPECT_EQ(withheldOnSpaceTwo(), 0u);
    changes.clear();

    withholdTerminal();
    EXPECT_EQ(viewModel->privacyRules(), withholdingTerminal());
    EXPECT_EQ(changes.front(), ViewModelProperty::privacyRules);
    ASSERT_TRUE(runUntil([&] { return !viewModel->snapshot().summaries; }))
        << "summaries made under the old rules are withdrawn";
    ASSERT_TRUE(summarizedWithholding(1));
    EXPECT_EQ(summarizers->started, 2);
    EXPECT_TRUE(viewModel->snapshot().sent->inventory.spaces.at(1).windows.empty());
    EXPECT_EQ(viewModel->snapshot().inventory->spaces.at(1).windows.size(), 1u)
        << "the user still sees the window";
    EXPECT_EQ(PrivacySettings::load(*defaults).rules, withholdingTerminal());

    viewModel->changePrivacyRules([](PrivacyRules&) {});
    settle(100ms);
    EXPECT_EQ(summarizers->started, 2) << "the same rules again change nothing";
}

TEST_F(ViewModelPrivacyTest, UnsavableRulesStillHoldAndMalformedOnesAreNamedUntilReplaced) {
    defaults->set(PrivacySettings::excludedTitlePatternsKey, 5);
    startWithKey();
    EXPECT_EQ(viewModel->privacyRules(), PrivacyRules::defaults());
    EXPECT_EQ(viewModel->malformedPrivacyKeys(),
              std::vector<std::string>{PrivacySettings::excludedTitlePatternsKey});

    defaults->failWrites = true;
    withholdTerminal();
    ASSERT_TRUE(viewModel->settingsMessage().has_value());
    EXPECT_EQ(viewModel->settingsMessage()->rfind("Could not save the setting", 0), 0u);
    EXPECT_EQ(viewModel->privacyRules(), withholdingTerminal());
    EXPECT_TRUE(viewModel->malformedPrivacyKeys().empty()) << "the rules in force are the user's";
    EXPECT_TRUE(summarizedWithholding(1)) << "what the user withheld stays withheld unsaved";

    defaults->failWrites = false;
    viewModel->restoreDefaultPrivacyRules();
    EXPECT_EQ(viewModel->privacyRules(), PrivacyRules::defaults());
    EXPECT_EQ(defaults->value(PrivacySettings::excludedTitlePatternsKey), std::nullopt);
    EXPECT_TRUE(summarizedWithholding(0));

    // Edited by hand while Deskmap runs: the next change keeps the edit.
    defaults->set(PrivacySettings::excludedTitlePatternsKey, std::vector<std::string>{"Signal"});
    viewModel->changePrivacyRules([](PrivacyRules& rules) { rules.redactIdentifiers = true; });
    EXPECT_EQ(PrivacySettings::load(*defaults).rules.excludedTitlePatterns,
              std::vector<std::string>{"Signal"});
    EXPECT_EQ(viewModel->privacyRules().excludedTitlePatterns, std::vector<std::string>{"Signal"});
}

} // namespace
} // namespace deskmap
