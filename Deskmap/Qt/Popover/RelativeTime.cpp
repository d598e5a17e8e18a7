#include "RelativeTime.hpp"

#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <unicode/locid.h>
#include <unicode/reldatefmt.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>

namespace deskmap::qt::RelativeTime {

namespace {

struct Amount {
    double value;
    URelativeDateTimeUnit unit;
};

// The largest unit that the elapsed time fills at least once.
Amount amountFor(std::chrono::seconds elapsed) {
    constexpr long long minute = 60;
    constexpr long long hour = 60 * minute;
    constexpr long long day = 24 * hour;
    const long long seconds = elapsed.count();
    if (seconds < minute) {
        return {static_cast<double>(seconds), UDAT_REL_UNIT_SECOND};
    }
    if (seconds < hour) {
        return {static_cast<double>(seconds / minute), UDAT_REL_UNIT_MINUTE};
    }
    if (seconds < day) {
        return {static_cast<double>(seconds / hour), UDAT_REL_UNIT_HOUR};
    }
    if (seconds < 7 * day) {
        return {static_cast<double>(seconds / day), UDAT_REL_UNIT_DAY};
    }
    if (seconds < 30 * day) {
        return {static_cast<double>(seconds / (7 * day)), UDAT_REL_UNIT_WEEK};
    }
    if (seconds < 365 * day) {
        return {static_cast<double>(seconds / (30 * day)), UDAT_REL_UNIT_MONTH};
    }
    return {static_cast<double>(seconds / (365 * day)), UDAT_REL_UNIT_YEAR};
}

const icu::RelativeDateTimeFormatter* formatter() {
    // The windows' texts are English; the time phrase matches them.
    static const auto instance = [] {
        UErrorCode status = U_ZERO_ERROR;
        auto made = std::make_unique<icu::RelativeDateTimeFormatter>(
            icu::Locale::getEnglish(), nullptr, UDAT_STYLE_LONG, UDISPCTX_CAPITALIZATION_NONE,
            status);
        return U_SUCCESS(status) ? std::move(made) : nullptr;
    }();
    return instance.get();
}

} // namespace

std::string describe(std::chrono::system_clock::time_point then,
                     std::chrono::system_clock::time_point now) {
    const auto elapsed = std::max(std::chrono::duration_cast<std::chrono::seconds>(now - then),
                                  std::chrono::seconds(0));
    const auto amount = amountFor(elapsed);
    const auto* icuFormatter = formatter();
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString text;
    if (icuFormatter != nullptr) {
        icuFormatter->format(-amount.value, amount.unit, text, status);
    }
    if (icuFormatter == nullptr || U_FAILURE(status)) {
        return texts::aWhileAgo; // ICU without its English data
    }
    std::string utf8;
    text.toUTF8String(utf8);
    return utf8;
}

} // namespace deskmap::qt::RelativeTime
