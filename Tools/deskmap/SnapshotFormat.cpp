#include "SnapshotFormat.hpp"

#include "DeskmapAppSupport/RefreshCoordinator/StatusName.hpp"
#include "DeskmapCore/Output/OutputFormatter.hpp"
#include "DeskmapCore/Output/TerminalSanitizer.hpp"

#include <nlohmann/json.hpp>

#include <ctime>

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

// Pango markup, which the bar reads in both fields.
std::string markupEscaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        escaped += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    }
    return escaped;
}

} // namespace

std::string waybarLine(const BarFace& face) {
    nlohmann::ordered_json line{{"text", markupEscaped(face.text)},
                                {"tooltip", markupEscaped(face.tooltip)},
                                {"class", face.status}};
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string polybarLine(const BarFace& face) {
    auto line = face.reason.empty() ? face.text : face.text + " · " + face.reason;
    // Its formatting tags, actions that run commands among them, begin with
    // "%{" and no escape exists: a zero-width space keeps the two apart.
    for (auto at = line.find("%{"); at != std::string::npos; at = line.find("%{", at)) {
        line.insert(at + 1, "\u200B");
    }
    return line + "\n";
}

} // namespace deskmap::cli
