#pragma once

#include "DeskmapCore/Inventory/SpaceSummarizing.hpp"

#include <memory>
#include <string>

namespace deskmap {

// Builds a new summarizer for a credential on every call (nothing cached),
// or throws the summarizer constructor's error.
class SummarizerBuilding {
public:
    virtual ~SummarizerBuilding() = default;
    virtual std::shared_ptr<SpaceSummarizing> makeSummarizer(const std::string& token) const = 0;

protected:
    SummarizerBuilding() = default;
    SummarizerBuilding(const SummarizerBuilding&) = default;
    SummarizerBuilding& operator=(const SummarizerBuilding&) = default;
};

} // namespace deskmap
