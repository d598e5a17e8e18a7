#include "DeskmapAppSupport/Readiness/SetupReadiness.hpp"

#include <gtest/gtest.h>

namespace deskmap {
namespace {

using State = InstalledClientVerificationState;
namespace Policy = InstalledClientVerificationPolicy;

TEST(InstalledClientVerification, AFirstCheckRevokesAndRefreshesAfterSuccess) {
    for (const auto& from : {State::unavailable("gone"), State::unchecked(), State::checking()}) {
        const auto begin = Policy::begin(from);
        EXPECT_EQ(begin, (Policy::Begin{State::checking(), true, true}));
        EXPECT_EQ(Policy::success(begin), (Policy::Completion{State::available(), true, true}));
    }
}

TEST(InstalledClientVerification, ARecheckKeepsPermissionAndChangesNothingOnSuccess) {
    for (const auto& from : {State::rechecking(), State::available()}) {
        const auto begin = Policy::begin(from);
        EXPECT_EQ(begin, (Policy::Begin{State::rechecking(), false, false}));
        EXPECT_EQ(Policy::success(begin), (Policy::Completion{State::available(), false, false}));
    }
    EXPECT_EQ(Policy::failure("signed out"),
              (Policy::Completion{State::unavailable("signed out"), true, false}));
}

TEST(InstalledClientPopoverReadiness, ShowsCheckingUntilAvailable) {
    const auto checking = InstalledClientPopoverReadiness::resolve(State::rechecking());
    EXPECT_EQ(checking.kind(), InstalledClientPopoverReadiness::Kind::checking);
    EXPECT_EQ(checking.text(), "Checking the installed client before sending window metadata...");
    EXPECT_EQ(InstalledClientPopoverReadiness::resolve(State::unchecked()), checking);
    EXPECT_EQ(InstalledClientPopoverReadiness::resolve(State::checking()), checking);
    EXPECT_FALSE(checking.isFailure());

    const auto failed = InstalledClientPopoverReadiness::resolve(State::unavailable("no login"));
    EXPECT_TRUE(failed.isFailure());
    EXPECT_EQ(failed.text(), "no login");
    EXPECT_EQ(InstalledClientPopoverReadiness::resolve(State::available()).kind(),
              InstalledClientPopoverReadiness::Kind::ready);
}

TEST(FirstTimeSetupReadiness, ConnectionDependsOnTheSelectedProviderOnly) {
    using Presence = SavedCredentialPresence;
    const auto resolve = [](SummaryProvider provider, SavedCredentialPresence presence,
                            const State& verification, bool titles, bool localModel = false) {
        return FirstTimeSetupReadiness::resolve(provider, presence, verification, titles,
                                                localModel);
    };
    EXPECT_EQ(resolve(SummaryProvider::openAI, Presence::notSaved, State::available(), true),
              (FirstTimeSetupReadiness{false, true}));
    EXPECT_EQ(resolve(SummaryProvider::openRouter, Presence::unknown, State::available(), true),
              (FirstTimeSetupReadiness{false, true}));
    EXPECT_TRUE(
        resolve(SummaryProvider::openAI, Presence::saved, State::unchecked(), true).isComplete());
    EXPECT_TRUE(
        resolve(SummaryProvider::installedClient, Presence::notSaved, State::rechecking(), true)
            .isComplete());
    EXPECT_FALSE(resolve(SummaryProvider::installedClient, Presence::saved, State::checking(), true)
                     .providerConnected);
    EXPECT_FALSE(
        resolve(SummaryProvider::openAI, Presence::saved, State::available(), false).isComplete());
    // A local server needs a model, not a key.
    EXPECT_TRUE(resolve(SummaryProvider::local, Presence::notSaved, State::unchecked(), true, true)
                    .isComplete());
    EXPECT_FALSE(resolve(SummaryProvider::local, Presence::saved, State::available(), true, false)
                     .providerConnected);
}

} // namespace
} // namespace deskmap
