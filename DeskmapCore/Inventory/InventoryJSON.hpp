#pragma once

#include "DeskmapCore/Inventory/Inventory.hpp"
#include "DeskmapCore/Inventory/SummaryResult.hpp"
#include "DeskmapPlatform/Json/JSONField.hpp"

#include <nlohmann/json_fwd.hpp>

#include <string_view>

namespace deskmap {

// What every decoder here throws for a document that does not decode.
using platform::JSONDecodingError;

// The one serialized form of inventories and summary results. Objects carry
// exactly the field names, in declaration order; an absent title is left out.
nlohmann::ordered_json toJSON(const WindowBounds& bounds);
nlohmann::ordered_json toJSON(const WindowEvidence& window);
nlohmann::ordered_json toJSON(const SpaceInventory& space);
nlohmann::ordered_json toJSON(const Inventory& inventory);
nlohmann::ordered_json toJSON(const SpaceSummary& summary);
nlohmann::ordered_json toJSON(const SummaryResult& result);

// Strict decoding: any fault anywhere fails the whole document. Unknown keys
// are ignored; "title" may be missing or null.
template <class Value> Value fromJSON(const nlohmann::json& json);
template <> WindowBounds fromJSON<WindowBounds>(const nlohmann::json& json);
template <> WindowEvidence fromJSON<WindowEvidence>(const nlohmann::json& json);
template <> SpaceInventory fromJSON<SpaceInventory>(const nlohmann::json& json);
template <> Inventory fromJSON<Inventory>(const nlohmann::json& json);
template <> SpaceSummary fromJSON<SpaceSummary>(const nlohmann::json& json);
template <> SummaryResult fromJSON<SummaryResult>(const nlohmann::json& json);

// Parses `text` as JSON and decodes it; text that is not JSON fails with
// JSONDecodingError too.
template <class Value> Value decodeJSON(std::string_view text);
template <> Inventory decodeJSON<Inventory>(std::string_view text);
template <> SummaryResult decodeJSON<SummaryResult>(std::string_view text);

} // namespace deskmap
