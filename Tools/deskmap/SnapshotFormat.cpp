#include "SnapshotFormat.hpp"

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
        text += OutputFormatter::inventoryHuman(*snapshot.inventory) + "\n";
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

} // namespace deskmap::cli
