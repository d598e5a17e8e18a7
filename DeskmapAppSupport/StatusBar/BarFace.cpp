#include "DeskmapAppSupport/StatusBar/BarFace.hpp"

#include "DeskmapAppSupport/RefreshCoordinator/StatusName.hpp"
#include "DeskmapCore/Output/SpaceLabels.hpp"
#include "DeskmapCore/Text/DisplayText.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <vector>

namespace deskmap {

namespace {

using Status = RefreshSnapshot::Status;

// Far above a face of 99 Spaces with their summaries.
constexpr std::size_t longestField = 256 * 1024;
// In characters: a summary or message, and one line of a face sent.
constexpr std::size_t longSummary = 500;
constexpr std::size_t longLine = 2000;

const SpaceSummary* summaryFor(const RefreshSnapshot& snapshot, std::int64_t index) {
    if (!snapshot.summaries) {
        return nullptr;
    }
    for (const auto& summary : snapshot.summaries->spaces) {
        if (summary.index == index) {
            return &summary;
        }
    }
    return nullptr;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Outside text (a label, a summary, a name, a message) as one line that
// cannot drive the bar: no controls, no line breaks, no reordering of the
// text around it, and not longer than `longest` characters.
std::string oneLine(const std::string& text,
                    std::size_t longest = DisplayText::maximumShownGraphemes) {
    auto line = text;
    for (const char* separator : {"\u2028", "\u2029", "\u0085"}) {
        line = replaced(std::move(line), separator, " ");
    }
    return DisplayText::shown(line, longest);
}

std::string joinedLines(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t line = 0; line < lines.size(); ++line) {
        text += (line == 0 ? "" : "\n") + lines[line];
    }
    return text;
}

std::string failureReason(const RefreshSnapshot& snapshot) {
    switch (snapshot.status) {
    case Status::ready:
    case Status::refreshing:
        return {};
    case Status::needsSetup:
        return snapshot.errorMessage ? oneLine(*snapshot.errorMessage, longSummary)
                                     : texts::setupRequired;
    case Status::needsWindowTitleAccess:
        return snapshot.errorMessage ? oneLine(*snapshot.errorMessage, longSummary)
                                     : texts::permissionRequired;
    case Status::credentialFailed:
    case Status::collectionFailed:
    case Status::summaryFailed:
        break;
    }
    return snapshot.errorMessage ? oneLine(*snapshot.errorMessage, longSummary) : texts::error;
}

} // namespace

BarFace barFace(const RefreshSnapshot& snapshot) {
    BarFace face{{}, {}, std::string(statusName(snapshot.status)), failureReason(snapshot)};
    std::vector<std::string> tooltip;
    if (snapshot.errorMessage) {
        tooltip.push_back(oneLine(*snapshot.errorMessage, longSummary));
    }
    if (snapshot.inventory) {
        for (const auto& space : snapshot.inventory->spaces) {
            const auto* summary = summaryFor(snapshot, space.index);
            const auto label = oneLine(summary ? summary->label : SpaceLabels::localLabel(space));
            auto number = std::to_string(space.index);
            if (const auto name = SpaceLabels::spaceName(space, snapshot.names)) {
                number += " · " + oneLine(*name);
            }
            if (space.isCurrent) {
                face.text += (face.text.empty() ? "" : "  |  ") + number + " " + label;
            }
            auto line = number + "  " + label;
            if (summary) {
                line += ": " + oneLine(summary->summary, longSummary);
            }
            if (space.isCurrent) {
                line += " (current)";
            }
            tooltip.push_back(std::move(line));
        }
    }
    if (face.text.empty()) {
        face.text = texts::appName;
    }
    face.tooltip = joinedLines(tooltip);
    return face;
}

std::optional<BarFace> barFaceFrom(std::string text, std::string tooltip, std::string status,
                                   std::string reason) {
    const auto known = statusNamed(status);
    if (!known || text.size() > longestField || tooltip.size() > longestField ||
        reason.size() > longestField) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    for (std::size_t start = 0; start <= tooltip.size();) {
        const auto end = std::min(tooltip.find('\n', start), tooltip.size());
        lines.push_back(oneLine(tooltip.substr(start, end - start), longLine));
        start = end + 1;
    }
    const bool failed = *known != Status::ready && *known != Status::refreshing;
    return BarFace{oneLine(text.empty() ? texts::appName : text, longLine), joinedLines(lines),
                   std::move(status),
                   failed ? oneLine(reason.empty() ? texts::error : reason, longSummary)
                          : std::string()};
}

} // namespace deskmap
