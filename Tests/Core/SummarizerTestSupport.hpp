#pragma once

#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapCore/Inventory/Inventory.hpp"
#include "DeskmapCore/Inventory/SpaceSummarizing.hpp"
#include "Support/RunAsync.hpp"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace deskmap::test {

// Two Spaces, indexes 1 and 2, with a slash and non-ASCII in a title.
inline Inventory twoSpaces() {
    return Inventory{{
        SpaceInventory{1,
                       "3",
                       "D1",
                       true,
                       {WindowEvidence{5, "Terminal", "~/src/app — make test", WindowBounds{}}}},
        SpaceInventory{2, "4", "D1", false, {WindowEvidence{6, "Notes", "Café", WindowBounds{}}}},
    }};
}

inline std::optional<DeskmapError> summaryFailure(SpaceSummarizing& summarizer,
                                                  const Inventory& inventory = twoSpaces()) {
    try {
        runAsync(summarizer.summarize(inventory));
    } catch (const DeskmapError& error) {
        return error;
    }
    return std::nullopt;
}

} // namespace deskmap::test
