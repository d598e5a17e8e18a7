#include "SpaceListPresentation.hpp"

#include "DeskmapCore/Text/DisplayText.hpp"
#include "DeskmapCore/Text/Unicode.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <algorithm>
#include <set>

namespace deskmap::qt::SpaceListPresentation {

RowContent rowContent(const SpaceInventory& space, const RefreshSnapshot& snapshot) {
    const SpaceSummary* summary = nullptr;
    if (snapshot.summaries) {
        for (const auto& candidate : snapshot.summaries->spaces) {
            if (candidate.index == space.index) {
                summary = &candidate;
                break;
            }
        }
    }
    // Judged against what may be sent now: a withheld window never makes a
    // summary stale.
    const auto* sentWindows = &space.windows;
    if (snapshot.sent) {
        for (const auto& sentSpace : snapshot.sent->inventory.spaces) {
            if (sentSpace.index == space.index) {
                sentWindows = &sentSpace.windows;
                break;
            }
        }
    }
    const bool stale = snapshot.summaryAssociation == RefreshSnapshot::SummaryAssociation::stale &&
                       (summary == nullptr || summary->evidence != *sentWindows);
    // A model's words and app names are outside text: shown isolated and
    // capped, never able to reorder or flood the row.
    auto name = SpaceLabels::spaceName(space, snapshot.names);
    if (name) {
        name = DisplayText::shown(*name);
    }
    if (summary != nullptr) {
        return {DisplayText::shown(summary->label), DisplayText::shown(summary->summary), stale,
                std::move(name)};
    }
    return {localLabel(space), localSummary(space), stale, std::move(name)};
}

std::vector<DisplayGroup> displayGroups(const Inventory& inventory, const DesktopNames& names) {
    // A Space that several displays report names them all; it is grouped
    // under the first. Displays are numbered in the order they appear.
    const auto firstDisplay = [](const SpaceInventory& space) {
        return space.display.substr(0, space.display.find(", "));
    };
    std::vector<std::string> displays;
    std::vector<std::optional<std::int64_t>> current;
    std::vector<std::pair<std::size_t, DisplayGroup>> groups; // with the display's number
    for (std::size_t position = 0; position < inventory.spaces.size(); ++position) {
        const auto& space = inventory.spaces[position];
        const auto display = firstDisplay(space);
        auto known = std::find(displays.begin(), displays.end(), display);
        if (known == displays.end()) {
            displays.push_back(display);
            current.emplace_back();
            known = displays.end() - 1;
        }
        const auto number = static_cast<std::size_t>(known - displays.begin());
        if (space.isCurrent && !current[number]) {
            current[number] = space.index;
        }
        if (groups.empty() || groups.back().first != number) {
            groups.push_back({number, {}});
        }
        groups.back().second.spaces.push_back(position);
    }
    std::vector<DisplayGroup> result;
    for (auto& [number, group] : groups) {
        if (displays.size() > 1) {
            const auto given = names.displays.find(displays[number]);
            const auto name = given != names.displays.end() ? DisplayText::shown(given->second)
                                                            : texts::displayName(number + 1);
            group.header = current[number] ? texts::displayHeader(name, *current[number]) : name;
        }
        result.push_back(std::move(group));
    }
    return result;
}

bool matches(const SpaceInventory& space, const RowContent& content, std::string_view query) {
    std::string haystack =
        content.name.value_or("") + "\n" + content.label + "\n" + content.summary;
    for (const auto& window : space.windows) {
        haystack += "\n" + window.app;
        if (window.title) {
            haystack += "\n" + *window.title;
        }
    }
    const auto folded = Unicode::searchFolded(haystack);
    const auto words = Unicode::searchFolded(query);
    std::size_t start = 0;
    while (start < words.size()) {
        auto end = words.find(' ', start);
        if (end == std::string::npos) {
            end = words.size();
        }
        if (end > start && folded.find(words.substr(start, end - start)) == std::string::npos) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

Status status(const DeskmapViewModel& model, const RelativeTimeFormatter& relativeTime) {
    return status(StatusInputs{model.firstTimeSetupCompleted(), model.spaceSwitchMessage(),
                               model.selectedSummaryProvider(), model.installedClientVerification(),
                               model.snapshot()},
                  relativeTime);
}

Status status(const StatusInputs& inputs, const RelativeTimeFormatter& relativeTime) {
    using S = RefreshSnapshot::Status;
    const auto& snapshot = inputs.snapshot;
    const bool installed = inputs.provider == SummaryProvider::installedClient;
    const auto readiness = InstalledClientPopoverReadiness::resolve(inputs.verification);
    const bool failedStatus =
        snapshot.status == S::needsWindowTitleAccess || snapshot.status == S::credentialFailed ||
        snapshot.status == S::collectionFailed || snapshot.status == S::summaryFailed;
    const bool failure = inputs.spaceSwitchMessage.has_value() ||
                         (installed && readiness.isFailure()) || failedStatus;

    if (!inputs.firstTimeSetupCompleted) {
        return {texts::setupRequired, failure};
    }
    if (inputs.spaceSwitchMessage) {
        return {*inputs.spaceSwitchMessage, failure};
    }
    if (installed && readiness.kind() != InstalledClientPopoverReadiness::Kind::ready) {
        return {readiness.text(), failure};
    }
    switch (snapshot.status) {
    case S::ready:
        return {snapshot.lastSuccessfulSummaryAt
                    ? texts::refreshedAgo(relativeTime(*snapshot.lastSuccessfulSummaryAt))
                    : std::string(texts::ready),
                failure};
    case S::refreshing:
        return {texts::refreshing, failure};
    case S::needsSetup:
        return {texts::setupRequired, failure};
    case S::needsWindowTitleAccess:
        return {texts::permissionRequired, failure};
    case S::credentialFailed:
    case S::collectionFailed:
    case S::summaryFailed:
        return {snapshot.errorMessage ? DisplayText::shown(*snapshot.errorMessage)
                                      : std::string(texts::error),
                failure};
    }
    return {texts::error, failure};
}

bool setupIsComplete(const DeskmapViewModel& model) {
    return model.firstTimeSetupCompleted() && model.firstTimeSetupReadiness().isComplete();
}

double listHeight(double availableScreenHeight, double chromeHeight, double contentHeight) {
    const double available = std::max(availableScreenHeight - chromeHeight - 16.0, 0.0);
    return std::min(available, std::max(contentHeight, std::min(available, 220.0)));
}

} // namespace deskmap::qt::SpaceListPresentation
