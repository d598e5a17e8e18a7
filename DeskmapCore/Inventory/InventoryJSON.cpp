#include "DeskmapCore/Inventory/InventoryJSON.hpp"

#include <nlohmann/json.hpp>

namespace deskmap {

using platform::JSONField;
using platform::parseJSONDocument;

using nlohmann::json;
using nlohmann::ordered_json;

ordered_json toJSON(const WindowBounds& bounds) {
    return ordered_json{
        {"x", bounds.x}, {"y", bounds.y}, {"width", bounds.width}, {"height", bounds.height}};
}

ordered_json toJSON(const WindowEvidence& window) {
    ordered_json object{{"windowID", window.windowID}, {"app", window.app}};
    if (window.title) {
        object["title"] = *window.title;
    }
    object["bounds"] = toJSON(window.bounds);
    return object;
}

namespace {

ordered_json windowsJSON(const std::vector<WindowEvidence>& windows) {
    auto array = ordered_json::array();
    for (const auto& window : windows) {
        array.push_back(toJSON(window));
    }
    return array;
}

} // namespace

ordered_json toJSON(const SpaceInventory& space) {
    return ordered_json{{"index", space.index},
                        {"id", space.id},
                        {"display", space.display},
                        {"isCurrent", space.isCurrent},
                        {"windows", windowsJSON(space.windows)}};
}

ordered_json toJSON(const Inventory& inventory) {
    auto spaces = ordered_json::array();
    for (const auto& space : inventory.spaces) {
        spaces.push_back(toJSON(space));
    }
    return ordered_json{{"spaces", std::move(spaces)}};
}

ordered_json toJSON(const SpaceSummary& summary) {
    return ordered_json{{"index", summary.index},
                        {"id", summary.id},
                        {"display", summary.display},
                        {"isCurrent", summary.isCurrent},
                        {"label", summary.label},
                        {"summary", summary.summary},
                        {"evidence", windowsJSON(summary.evidence)}};
}

ordered_json toJSON(const SummaryResult& result) {
    auto spaces = ordered_json::array();
    for (const auto& space : result.spaces) {
        spaces.push_back(toJSON(space));
    }
    return ordered_json{{"model", result.model}, {"spaces", std::move(spaces)}};
}

namespace {

template <class Element, class Decode>
std::vector<Element> decodeArray(const JSONField& field, Decode decode) {
    std::vector<Element> elements;
    for (const auto& element : field.elements()) {
        elements.push_back(decode(element));
    }
    return elements;
}

WindowBounds decodeBounds(const JSONField& field) {
    return WindowBounds{field.member("x").signed64(), field.member("y").signed64(),
                        field.member("width").signed64(), field.member("height").signed64()};
}

WindowEvidence decodeWindow(const JSONField& field) {
    WindowEvidence window;
    window.windowID = field.member("windowID").unsigned32();
    window.app = field.member("app").text();
    if (const auto title = field.optionalMember("title")) {
        window.title = title->text();
    }
    window.bounds = decodeBounds(field.member("bounds"));
    return window;
}

std::vector<WindowEvidence> decodeWindows(const JSONField& field) {
    return decodeArray<WindowEvidence>(field, decodeWindow);
}

SpaceInventory decodeSpace(const JSONField& field) {
    return SpaceInventory{field.member("index").signed64(), field.member("id").text(),
                          field.member("display").text(), field.member("isCurrent").boolean(),
                          decodeWindows(field.member("windows"))};
}

Inventory decodeInventory(const JSONField& field) {
    return Inventory{decodeArray<SpaceInventory>(field.member("spaces"), decodeSpace)};
}

SpaceSummary decodeSummary(const JSONField& field) {
    return SpaceSummary(field.member("index").signed64(), field.member("id").text(),
                        field.member("display").text(), field.member("isCurrent").boolean(),
                        field.member("label").text(), field.member("summary").text(),
                        decodeWindows(field.member("evidence")));
}

SummaryResult decodeSummaryResult(const JSONField& field) {
    return SummaryResult{field.member("model").text(),
                         decodeArray<SpaceSummary>(field.member("spaces"), decodeSummary)};
}

} // namespace

template <> WindowBounds fromJSON<WindowBounds>(const json& value) {
    return decodeBounds(JSONField(value));
}
template <> WindowEvidence fromJSON<WindowEvidence>(const json& value) {
    return decodeWindow(JSONField(value));
}
template <> SpaceInventory fromJSON<SpaceInventory>(const json& value) {
    return decodeSpace(JSONField(value));
}
template <> Inventory fromJSON<Inventory>(const json& value) {
    return decodeInventory(JSONField(value));
}
template <> SpaceSummary fromJSON<SpaceSummary>(const json& value) {
    return decodeSummary(JSONField(value));
}
template <> SummaryResult fromJSON<SummaryResult>(const json& value) {
    return decodeSummaryResult(JSONField(value));
}

template <> Inventory decodeJSON<Inventory>(std::string_view text) {
    return fromJSON<Inventory>(parseJSONDocument(std::string(text)));
}
template <> SummaryResult decodeJSON<SummaryResult>(std::string_view text) {
    return fromJSON<SummaryResult>(parseJSONDocument(std::string(text)));
}

} // namespace deskmap
