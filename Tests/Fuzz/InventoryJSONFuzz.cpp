// The serialized inventories and summary results: strict decoding, and a
// decoded value survives its own encoding unchanged.
#include "DeskmapCore/Inventory/InventoryJSON.hpp"
#include "FuzzContract.hpp"

#include <nlohmann/json.hpp>

using namespace deskmap;

namespace {

template <class Value> void roundTrip(const std::string& text) {
    fuzz::expectOnly<JSONDecodingError>([&] {
        const auto decoded = decodeJSON<Value>(text);
        const auto encoded = toJSON(decoded).dump();
        if (decodeJSON<Value>(encoded) != decoded) {
            fuzz::violated();
        }
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::text(data, size);
    roundTrip<Inventory>(text);
    roundTrip<SummaryResult>(text);
    return 0;
}
