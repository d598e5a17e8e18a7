#pragma once

#include "DeskmapCore/Inventory/Inventory.hpp"
#include "DeskmapCore/Inventory/SummaryResult.hpp"

#include <asio/awaitable.hpp>

namespace deskmap {

// The producer of summaries. `summarize` throws DeskmapError, or
// CancellationError when the awaiting coroutine is cancelled. The summarizer
// must outlive the call.
class SpaceSummarizing {
public:
    virtual ~SpaceSummarizing() = default;
    virtual asio::awaitable<SummaryResult> summarize(Inventory inventory) = 0;

protected:
    SpaceSummarizing() = default;
    SpaceSummarizing(const SpaceSummarizing&) = default;
    SpaceSummarizing& operator=(const SpaceSummarizing&) = default;
};

} // namespace deskmap
