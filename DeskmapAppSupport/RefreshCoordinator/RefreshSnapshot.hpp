#pragma once

#include "DeskmapCore/Inventory/DesktopNames.hpp"
#include "DeskmapCore/Inventory/Inventory.hpp"
#include "DeskmapCore/Inventory/SummaryResult.hpp"
#include "DeskmapCore/Privacy/PrivacyRules.hpp"

#include <chrono>
#include <optional>
#include <string>

namespace deskmap {

// What the coordinator publishes for the views to render.
struct RefreshSnapshot {
    enum class Status {
        ready,
        refreshing,
        needsSetup,
        needsWindowTitleAccess,
        credentialFailed,
        collectionFailed,
        summaryFailed
    };

    // How the summaries relate to the inventory: none, made from identical
    // evidence, or from other evidence.
    enum class SummaryAssociation { none, current, stale };

    std::optional<Inventory> inventory;
    std::optional<SummaryResult> summaries;
    Status status = Status::ready;
    SummaryAssociation summaryAssociation = SummaryAssociation::none;
    std::optional<std::chrono::system_clock::time_point> lastSuccessfulSummaryAt;
    std::optional<std::string> errorMessage; // with the three failure statuses
    // The inventory as the privacy rules let it be sent, with the windows
    // they withheld; summaries are made from it and judged against it.
    std::optional<SendableInventory> sent;
    // What the desktop calls its Spaces and displays, from the reading the
    // inventory came from.
    DesktopNames names{};

    friend bool operator==(const RefreshSnapshot&, const RefreshSnapshot&) = default;
};

} // namespace deskmap
