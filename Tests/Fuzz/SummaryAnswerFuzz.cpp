// The model's answer text, judged against the schema and the rules.
#include "DeskmapCore/Summary/SummaryRequest.hpp"
#include "FuzzContract.hpp"

using namespace deskmap;

namespace {

const Inventory& threeSpaces() {
    static const Inventory inventory{{
        SpaceInventory{1, "3", "D1", true, {WindowEvidence{5, "Terminal", "make", WindowBounds{}}}},
        SpaceInventory{2, "4", "D1", false, {}},
        SpaceInventory{3, "9", "D2", true, {WindowEvidence{6, "Mail", std::nullopt, {}}}},
    }};
    return inventory;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::expectOnly<SummaryOutputValidationError>([&] {
        const auto result =
            SummaryRequest::parsedResult(fuzz::text(data, size), "model", threeSpaces());
        // An accepted answer covers every Space exactly once, in order.
        if (result.spaces.size() != threeSpaces().spaces.size()) {
            fuzz::violated();
        }
        for (std::size_t position = 0; position < result.spaces.size(); ++position) {
            if (result.spaces[position].id != threeSpaces().spaces[position].id ||
                SummaryRequest::containsControlCharacters(result.spaces[position].label)) {
                fuzz::violated();
            }
        }
    });
    return 0;
}
