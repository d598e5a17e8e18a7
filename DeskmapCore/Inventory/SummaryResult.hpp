#pragma once

#include "DeskmapCore/Inventory/Inventory.hpp"

#include <string>
#include <vector>

namespace deskmap {

// A Space with the label and one-phrase summary a model wrote for it, and the
// windows the model was shown.
struct SpaceSummary {
    std::int64_t index = 0;
    std::string id;
    std::string display;
    bool isCurrent = false;
    std::string label;
    std::string summary;
    std::vector<WindowEvidence> evidence;

    SpaceSummary() = default;
    SpaceSummary(std::int64_t index_, std::string id_, std::string display_, bool isCurrent_,
                 std::string label_, std::string summary_, std::vector<WindowEvidence> evidence_)
        : index(index_), id(std::move(id_)), display(std::move(display_)), isCurrent(isCurrent_),
          label(std::move(label_)), summary(std::move(summary_)), evidence(std::move(evidence_)) {}

    // Summarizers build every summary this way, so the recorded evidence is
    // exactly the window list the model saw.
    SpaceSummary(const SpaceInventory& space, std::string label_, std::string summary_)
        : SpaceSummary(space.index, space.id, space.display, space.isCurrent, std::move(label_),
                       std::move(summary_), space.windows) {}

    friend bool operator==(const SpaceSummary&, const SpaceSummary&) = default;
};

// The outcome of one summarization.
struct SummaryResult {
    std::string model;
    std::vector<SpaceSummary> spaces;

    friend bool operator==(const SummaryResult&, const SummaryResult&) = default;
};

} // namespace deskmap
