#pragma once

#include "Deskmap/ViewModel/DeskmapViewModel.hpp"
#include "DeskmapCore/Inventory/Inventory.hpp"
#include "DeskmapCore/Inventory/SummaryResult.hpp"
#include "DeskmapCore/Output/SpaceLabels.hpp"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the Space list shows, decided apart from any widget.
namespace deskmap::qt::SpaceListPresentation {

// What one row shows for a Space.
struct RowContent {
    std::string label;
    std::string summary;
    bool summaryIsStale = false;
    std::optional<std::string> name{}; // the desktop's name for the Space

    friend bool operator==(const RowContent&, const RowContent&) = default;
};

// The first summary for the Space's index, else the local label and summary;
// stale when the summaries are stale and the Space's windows are not the
// evidence its summary was made from; with the name the desktop gives it
// where that says more than its number.
RowContent rowContent(const SpaceInventory& space, const RefreshSnapshot& snapshot);

using SpaceLabels::localLabel;
using SpaceLabels::localSummary;

// A display's Spaces in the list: with several displays, under a header
// naming the display (as the desktop names it, else by its number) and its
// current Space.
struct DisplayGroup {
    std::optional<std::string> header;
    std::vector<std::size_t> spaces; // positions in the inventory's Spaces

    friend bool operator==(const DisplayGroup&, const DisplayGroup&) = default;
};
std::vector<DisplayGroup> displayGroups(const Inventory& inventory, const DesktopNames& names = {});

// Whether a row is found by what was typed: every word of `query` in its
// name, label, summary, app names or titles, in any case and with or without
// accents. An empty query finds every row.
bool matches(const SpaceInventory& space, const RowContent& content, std::string_view query);

struct Status {
    std::string text;
    bool isFailure = false;

    friend bool operator==(const Status&, const Status&) = default;
};

// Formats how long ago an instant was ("5 minutes ago", "yesterday").
using RelativeTimeFormatter = std::function<std::string(std::chrono::system_clock::time_point)>;

// The status line for the view model's state.
Status status(const DeskmapViewModel& model, const RelativeTimeFormatter& relativeTime);
// The same from its parts (what `status(model, …)` reads).
struct StatusInputs {
    bool firstTimeSetupCompleted = false;
    std::optional<std::string> spaceSwitchMessage;
    SummaryProvider provider = SummaryProvider::openAI;
    InstalledClientVerificationState verification = InstalledClientVerificationState::unchecked();
    RefreshSnapshot snapshot;
};
Status status(const StatusInputs& inputs, const RelativeTimeFormatter& relativeTime);

// Whether setup is done, so the status line is text rather than a way into
// the setup wizard.
bool setupIsComplete(const DeskmapViewModel& model);

// The list's height: as tall as its content, at least 220 where the screen
// allows, never taller than the screen leaves room for.
double listHeight(double availableScreenHeight, double chromeHeight, double contentHeight);

} // namespace deskmap::qt::SpaceListPresentation
