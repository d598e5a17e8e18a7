#pragma once

#include "DeskmapAppSupport/Providers/SummaryProvider.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <string>
#include <variant>

// The shared rules for whether the summary provider is usable and where the
// check of an installed client stands. Window metadata goes to an installed
// client only after a check of it succeeded; a check that starts from any
// other state withdraws that permission until it succeeds.
namespace deskmap {

class InstalledClientVerificationState {
public:
    enum class Kind { unavailable, unchecked, checking, rechecking, available };

    static InstalledClientVerificationState unavailable(std::string message) {
        return {Kind::unavailable, std::move(message)};
    }
    static InstalledClientVerificationState unchecked() { return {Kind::unchecked, {}}; }
    static InstalledClientVerificationState checking() { return {Kind::checking, {}}; }
    static InstalledClientVerificationState rechecking() { return {Kind::rechecking, {}}; }
    static InstalledClientVerificationState available() { return {Kind::available, {}}; }

    Kind kind() const { return kind_; }
    // The failure text of `unavailable`; empty otherwise.
    const std::string& message() const { return message_; }
    bool permitsAuthorization() const {
        return kind_ == Kind::rechecking || kind_ == Kind::available;
    }

    friend bool operator==(const InstalledClientVerificationState&,
                           const InstalledClientVerificationState&) = default;

private:
    InstalledClientVerificationState(Kind kind, std::string message)
        : kind_(kind), message_(std::move(message)) {}

    Kind kind_;
    std::string message_;
};

namespace InstalledClientVerificationPolicy {

struct Begin {
    InstalledClientVerificationState visibleState;
    bool shouldRevokeAuthorization = false;
    bool shouldRefreshAfterSuccess = false;
    friend bool operator==(const Begin&, const Begin&) = default;
};

struct Completion {
    InstalledClientVerificationState visibleState;
    bool shouldUpdateAuthorization = false;
    bool shouldRefresh = false;
    friend bool operator==(const Completion&, const Completion&) = default;
};

Begin begin(const InstalledClientVerificationState& current);
Completion success(const Begin& after);
Completion failure(std::string message);

} // namespace InstalledClientVerificationPolicy

// What the popover shows about an installed client.
class InstalledClientPopoverReadiness {
public:
    enum class Kind { checking, unavailable, ready };

    static constexpr const char* checkingText = texts::checkingClientBeforeSending;

    static InstalledClientPopoverReadiness resolve(const InstalledClientVerificationState& state);

    Kind kind() const { return kind_; }
    // The text to show; empty when ready.
    const std::string& text() const { return text_; }
    bool isFailure() const { return kind_ == Kind::unavailable; }

    friend bool operator==(const InstalledClientPopoverReadiness&,
                           const InstalledClientPopoverReadiness&) = default;

private:
    InstalledClientPopoverReadiness(Kind kind, std::string text)
        : kind_(kind), text_(std::move(text)) {}

    Kind kind_;
    std::string text_;
};

struct FirstTimeSetupReadiness {
    bool providerConnected = false;
    bool windowTitleAccessGranted = false;

    bool isComplete() const { return providerConnected && windowTitleAccessGranted; }

    // The installed client is connected when its check permits summaries; a
    // local server (whose address always has a default) when a model is
    // chosen, key or not; the other HTTP providers when their key is saved.
    static FirstTimeSetupReadiness resolve(SummaryProvider provider,
                                           SavedCredentialPresence savedCredentialPresence,
                                           const InstalledClientVerificationState& verification,
                                           bool windowTitleAccessGranted,
                                           bool localModelChosen = false);

    friend bool operator==(const FirstTimeSetupReadiness&,
                           const FirstTimeSetupReadiness&) = default;
};

} // namespace deskmap
