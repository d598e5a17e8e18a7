#include "SnapshotFormat.hpp"

#include "DeskmapCore/Output/OutputFormatter.hpp"
#include "DeskmapCore/Output/SpaceLabels.hpp"
#include "DeskmapCore/Output/TerminalSanitizer.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <nlohmann/json.hpp>

#include <ctime>
#include <vector>

namespace deskmap::cli {

namespace {

std::string iso8601(std::chrono::system_clock::time_point date) {
    const auto seconds = std::chrono::system_clock::to_time_t(date);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

} // namespace

std::string_view statusName(RefreshSnapshot::Status status) {
    using Status = RefreshSnapshot::Status;
    switch (status) {
    case Status::ready:
        return "ready";
    case Status::refreshing:
        return "refreshing";
    case Status::needsSetup:
        return "needsSetup";
    case Status::needsWindowTitleAccess:
        return "needsWindowTitleAccess";
    case Status::credentialFailed:
        return "credentialFailed";
    case Status::collectionFailed:
        return "collectionFailed";
    case Status::summaryFailed:
        break;
    }
    return "summaryFailed";
}

std::string_view associationName(RefreshSnapshot::SummaryAssociation association) {
    switch (association) {
    case RefreshSnapshot::SummaryAssociation::none:
        return "none";
    case RefreshSnapshot::SummaryAssociation::current:
        return "current";
    case RefreshSnapshot::SummaryAssociation::stale:
        break;
    }
    return "stale";
}

std::string snapshotText(const RefreshSnapshot& snapshot) {
    std::string text(statusName(snapshot.status));
    if (snapshot.errorMessage) {
        text += ": " + TerminalSanitizer::sanitize(*snapshot.errorMessage);
    }
    text += "\n";
    if (snapshot.summaries) {
        text += OutputFormatter::summaryHuman(*snapshot.summaries) + "\n";
    } else if (snapshot.inventory) {
        text += OutputFormatter::inventoryHuman(*snapshot.inventory, snapshot.names) + "\n";
    }
    return text + "\n";
}

std::string snapshotJSONLine(const RefreshSnapshot& snapshot) {
    nlohmann::ordered_json line;
    line["status"] = statusName(snapshot.status);
    if (snapshot.errorMessage) {
        line["errorMessage"] = *snapshot.errorMessage;
    }
    line["summaryAssociation"] = associationName(snapshot.summaryAssociation);
    if (snapshot.lastSuccessfulSummaryAt) {
        line["lastSuccessfulSummaryAt"] = iso8601(*snapshot.lastSuccessfulSummaryAt);
    }
    if (snapshot.inventory) {
        line["inventory"] = OutputFormatter::inventoryValue(*snapshot.inventory);
    }
    if (snapshot.summaries) {
        line["summaries"] = OutputFormatter::summaryValue(*snapshot.summaries);
    }
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

namespace {

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

bool isFailure(RefreshSnapshot::Status status) {
    using Status = RefreshSnapshot::Status;
    return status != Status::ready && status != Status::refreshing;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// A label or summary as one short line: no controls, no line breaks.
std::string oneLine(const std::string& text) {
    auto line = TerminalSanitizer::sanitize(text);
    for (const char* separator : {"\n", "\t", "\u2028", "\u2029", "\u0085"}) {
        line = replaced(std::move(line), separator, " ");
    }
    return line;
}

// Pango markup, which the bar reads in both fields.
std::string markupEscaped(std::string text) {
    text = replaced(std::move(text), "&", "&amp;");
    text = replaced(std::move(text), "<", "&lt;");
    return replaced(std::move(text), ">", "&gt;");
}

} // namespace

BarFace barFace(const RefreshSnapshot& snapshot) {
    BarFace face{{}, {}, std::string(statusName(snapshot.status))};
    std::vector<std::string> tooltip;
    if (snapshot.errorMessage) {
        tooltip.push_back(oneLine(*snapshot.errorMessage));
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
                line += ": " + oneLine(summary->summary);
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
    for (std::size_t line = 0; line < tooltip.size(); ++line) {
        face.tooltip += (line == 0 ? "" : "\n") + tooltip[line];
    }
    return face;
}

std::string waybarLine(const RefreshSnapshot& snapshot) {
    const auto face = barFace(snapshot);
    nlohmann::ordered_json line{{"text", markupEscaped(face.text)},
                                {"tooltip", markupEscaped(face.tooltip)},
                                {"class", face.status}};
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string polybarLine(const RefreshSnapshot& snapshot) {
    const auto face = barFace(snapshot);
    auto line = face.text;
    if (isFailure(snapshot.status)) {
        using Status = RefreshSnapshot::Status;
        const std::string reason = snapshot.errorMessage ? oneLine(*snapshot.errorMessage)
                                   : snapshot.status == Status::needsSetup ? texts::setupRequired
                                   : snapshot.status == Status::needsWindowTitleAccess
                                       ? texts::permissionRequired
                                       : texts::error;
        line += " · " + reason;
    }
    // Its formatting tags, actions that run commands among them, begin with
    // "%{" and no escape exists: a zero-width space keeps the two apart.
    return replaced(std::move(line), "%{", "%\u200B{") + "\n";
}

} // namespace deskmap::cli
