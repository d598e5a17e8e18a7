#include "DeskmapCore/Inventory/InventoryJSON.hpp"

#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>

namespace deskmap {

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

// Reads one JSON value and remembers where it sits in the document, so every
// failure can name the offending place.
class Field {
public:
    Field(const json& value, std::string path) : value_(value), path_(std::move(path)) {}

    [[noreturn]] void fail(const std::string& expectation) const {
        throw JSONDecodingError((path_.empty() ? std::string("the document") : path_) +
                                " must be " + expectation);
    }

    Field member(const char* key) const {
        if (!value_.is_object()) {
            fail("an object");
        }
        const auto found = value_.find(key);
        if (found == value_.end()) {
            throw JSONDecodingError(qualified(key) + " is missing");
        }
        return Field(*found, qualified(key));
    }

    std::optional<Field> optionalMember(const char* key) const {
        if (!value_.is_object()) {
            fail("an object");
        }
        const auto found = value_.find(key);
        if (found == value_.end() || found->is_null()) {
            return std::nullopt;
        }
        return Field(*found, qualified(key));
    }

    std::string text() const {
        if (!value_.is_string()) {
            fail("a string");
        }
        return value_.get<std::string>();
    }

    bool boolean() const {
        if (!value_.is_boolean()) {
            fail("true or false");
        }
        return value_.get<bool>();
    }

    // Whole numbers only; a float is accepted when it holds an exact integer,
    // as a JSON writer may emit 3.0 for 3. long double holds every 64-bit
    // integer exactly, so the range checks below are exact.
    template <class Integer> Integer integer(const char* expectation) const {
        long double number = 0;
        if (value_.is_number_unsigned()) {
            number = static_cast<long double>(value_.get<std::uint64_t>());
        } else if (value_.is_number_integer()) {
            number = static_cast<long double>(value_.get<std::int64_t>());
        } else if (value_.is_number_float() &&
                   std::trunc(value_.get<double>()) == value_.get<double>()) {
            number = static_cast<long double>(value_.get<double>());
        } else {
            fail(expectation);
        }
        if (number < static_cast<long double>(std::numeric_limits<Integer>::min()) ||
            number > static_cast<long double>(std::numeric_limits<Integer>::max())) {
            fail(expectation);
        }
        return static_cast<Integer>(number);
    }

    template <class Element, class Decode> std::vector<Element> array(Decode decode) const {
        if (!value_.is_array()) {
            fail("an array");
        }
        std::vector<Element> elements;
        elements.reserve(value_.size());
        for (std::size_t position = 0; position < value_.size(); ++position) {
            elements.push_back(
                decode(Field(value_[position], path_ + "[" + std::to_string(position) + "]")));
        }
        return elements;
    }

private:
    std::string qualified(const char* key) const {
        return path_.empty() ? std::string(key) : path_ + "." + key;
    }

    const json& value_;
    std::string path_;
};

std::int64_t signed64(const Field& field) {
    return field.integer<std::int64_t>("a signed 64-bit integer");
}

WindowBounds decodeBounds(const Field& field) {
    return WindowBounds{signed64(field.member("x")), signed64(field.member("y")),
                        signed64(field.member("width")), signed64(field.member("height"))};
}

WindowEvidence decodeWindow(const Field& field) {
    WindowEvidence window;
    window.windowID = field.member("windowID").integer<std::uint32_t>("an unsigned 32-bit integer");
    window.app = field.member("app").text();
    if (const auto title = field.optionalMember("title")) {
        window.title = title->text();
    }
    window.bounds = decodeBounds(field.member("bounds"));
    return window;
}

std::vector<WindowEvidence> decodeWindows(const Field& field) {
    return field.array<WindowEvidence>(decodeWindow);
}

SpaceInventory decodeSpace(const Field& field) {
    return SpaceInventory{signed64(field.member("index")), field.member("id").text(),
                          field.member("display").text(), field.member("isCurrent").boolean(),
                          decodeWindows(field.member("windows"))};
}

Inventory decodeInventory(const Field& field) {
    return Inventory{field.member("spaces").array<SpaceInventory>(decodeSpace)};
}

SpaceSummary decodeSummary(const Field& field) {
    return SpaceSummary(signed64(field.member("index")), field.member("id").text(),
                        field.member("display").text(), field.member("isCurrent").boolean(),
                        field.member("label").text(), field.member("summary").text(),
                        decodeWindows(field.member("evidence")));
}

SummaryResult decodeSummaryResult(const Field& field) {
    return SummaryResult{field.member("model").text(),
                         field.member("spaces").array<SpaceSummary>(decodeSummary)};
}

json parseDocument(std::string_view text) {
    try {
        return json::parse(text);
    } catch (const json::parse_error& error) {
        throw JSONDecodingError(std::string("the document is not valid JSON: ") + error.what());
    }
}

} // namespace

template <> WindowBounds fromJSON<WindowBounds>(const json& value) {
    return decodeBounds(Field(value, ""));
}
template <> WindowEvidence fromJSON<WindowEvidence>(const json& value) {
    return decodeWindow(Field(value, ""));
}
template <> SpaceInventory fromJSON<SpaceInventory>(const json& value) {
    return decodeSpace(Field(value, ""));
}
template <> Inventory fromJSON<Inventory>(const json& value) {
    return decodeInventory(Field(value, ""));
}
template <> SpaceSummary fromJSON<SpaceSummary>(const json& value) {
    return decodeSummary(Field(value, ""));
}
template <> SummaryResult fromJSON<SummaryResult>(const json& value) {
    return decodeSummaryResult(Field(value, ""));
}

template <> Inventory decodeJSON<Inventory>(std::string_view text) {
    return fromJSON<Inventory>(parseDocument(text));
}
template <> SummaryResult decodeJSON<SummaryResult>(std::string_view text) {
    return fromJSON<SummaryResult>(parseDocument(text));
}

} // namespace deskmap
