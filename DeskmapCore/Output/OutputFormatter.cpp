#include "DeskmapCore/Output/OutputFormatter.hpp"

#include "DeskmapCore/Inventory/InventoryJSON.hpp"
#include "DeskmapCore/Output/SpaceLabels.hpp"
#include "DeskmapCore/Text/DisplayText.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <nlohmann/json.hpp>

namespace deskmap::OutputFormatter {

namespace {

// nlohmann::json keeps object keys in a std::map, so converting the
// declaration-ordered form sorts every object's keys by code point.
nlohmann::json sortedKeys(const nlohmann::ordered_json& value) {
    if (value.is_object()) {
        auto object = nlohmann::json::object();
        for (const auto& [key, member] : value.items()) {
            object[key] = sortedKeys(member);
        }
        return object;
    }
    if (value.is_array()) {
        auto array = nlohmann::json::array();
        for (const auto& element : value) {
            array.push_back(sortedKeys(element));
        }
        return array;
    }
    switch (value.type()) {
    case nlohmann::json::value_t::string:
        return value.get<std::string>();
    case nlohmann::json::value_t::boolean:
        return value.get<bool>();
    case nlohmann::json::value_t::number_integer:
        return value.get<std::int64_t>();
    case nlohmann::json::value_t::number_unsigned:
        return value.get<std::uint64_t>();
    case nlohmann::json::value_t::number_float:
        return value.get<double>();
    default:
        return nullptr;
    }
}

std::string prettyPrinted(const nlohmann::ordered_json& value) {
    return sortedKeys(value).dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string currentMark(bool isCurrent) {
    return isCurrent ? texts::currentMark : "";
}

} // namespace

nlohmann::json inventoryValue(const Inventory& inventory) {
    return sortedKeys(toJSON(inventory));
}

nlohmann::json summaryValue(const SummaryResult& result) {
    return sortedKeys(toJSON(result));
}

std::string inventoryJSON(const Inventory& inventory) {
    return prettyPrinted(toJSON(inventory));
}

std::string summaryJSON(const SummaryResult& result) {
    return prettyPrinted(toJSON(result));
}

std::string inventoryHuman(const Inventory& inventory, const DesktopNames& names) {
    std::string text;
    for (const auto& space : inventory.spaces) {
        if (!text.empty()) {
            text += "\n\n";
        }
        const auto index = std::to_string(space.index);
        text += index + "  Space " + index;
        if (const auto name = SpaceLabels::spaceName(space, names)) {
            text += " · " + DisplayText::shown(*name);
        }
        text += currentMark(space.isCurrent) + "\n";
        if (space.windows.empty()) {
            text += texts::noMeaningfulWindows;
            continue;
        }
        bool first = true;
        for (const auto& window : space.windows) {
            if (!first) {
                text += "\n";
            }
            first = false;
            text += "   " + DisplayText::shown(window.app);
            if (window.title) {
                text += ": " + DisplayText::shown(*window.title);
            }
        }
    }
    return text;
}

std::string summaryHuman(const SummaryResult& result) {
    std::string text;
    for (const auto& space : result.spaces) {
        if (!text.empty()) {
            text += "\n\n";
        }
        text += std::to_string(space.index) + "  " + DisplayText::shown(space.label) +
                currentMark(space.isCurrent) + "\n   " + DisplayText::shown(space.summary);
    }
    return text;
}

} // namespace deskmap::OutputFormatter
