#include "DeskmapCore/Collection/SpaceParser.hpp"

#include "DeskmapCore/Collection/WindowServerValues.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapCore/Text/Unicode.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <unordered_map>

namespace deskmap::SpaceParser {

namespace {

[[noreturn]] void fail(const std::string& description) {
    throw DeskmapError::collection(texts::malformedSpacesDataBecause(description));
}

const nlohmann::json* member(const nlohmann::json& dictionary, const char* key) {
    if (!dictionary.is_object()) {
        return nullptr;
    }
    const auto found = dictionary.find(key);
    return found == dictionary.end() ? nullptr : &*found;
}

std::optional<std::string> textMember(const nlohmann::json& dictionary, const char* key) {
    const auto* value = member(dictionary, key);
    return value ? WindowServerValues::text(*value) : std::nullopt;
}

// "ManagedSpaceID" then "id64", those that read as text, without a second one
// equal to the first. The first is the Space's canonical identifier.
std::vector<std::string> identifierCandidates(const nlohmann::json* space) {
    std::vector<std::string> candidates;
    if (space == nullptr || !space->is_object()) {
        return candidates;
    }
    for (const char* key : {"ManagedSpaceID", "id64"}) {
        if (auto candidate = textMember(*space, key)) {
            if (candidates.empty() || candidates.front() != *candidate) {
                candidates.push_back(std::move(*candidate));
            }
        }
    }
    return candidates;
}

bool sharesCandidate(const std::vector<std::string>& lhs, const std::vector<std::string>& rhs) {
    return std::any_of(lhs.begin(), lhs.end(), [&](const std::string& candidate) {
        return std::find(rhs.begin(), rhs.end(), candidate) != rhs.end();
    });
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const auto& part : parts) {
        if (!text.empty()) {
            text += ", ";
        }
        text += part;
    }
    return text;
}

// A name the desktop gives a display or Space: text only, trimmed, and
// short enough for a list row. Anything else is no name, never a failure:
// names only decorate what the identifiers already say.
std::string nameMember(const nlohmann::json& dictionary, const char* key) {
    constexpr std::size_t longestName = 64;
    const auto* value = member(dictionary, key);
    if (value == nullptr || !value->is_string()) {
        return {};
    }
    const auto name = Unicode::trimmedWhitespaceAndNewlines(
        Unicode::repairedUTF8(value->get_ref<const std::string&>()));
    return Unicode::truncatedToGraphemes(name, longestName);
}

struct RecordedSpace {
    std::string canonical;
    std::vector<std::string> candidates;
};

// Reads one display; `number` is its 1-based position.
DisplaySpaceTopology parseDisplay(const nlohmann::json& display, std::size_t number) {
    const auto N = std::to_string(number);
    const auto displayID = textMember(display, "Display Identifier");
    if (!displayID || displayID->empty()) {
        fail("display " + N + " has no identifier");
    }
    const auto currentCandidates = identifierCandidates(member(display, "Current Space"));
    if (currentCandidates.empty()) {
        fail("display " + N + " has no current Space identifier");
    }
    const auto* spaces = member(display, "Spaces");
    if (spaces == nullptr || !spaces->is_array() ||
        !std::all_of(spaces->begin(), spaces->end(),
                     [](const nlohmann::json& space) { return space.is_object(); })) {
        fail("display " + N + " has no readable Spaces list");
    }

    std::vector<RecordedSpace> recorded;
    recorded.reserve(spaces->size());
    for (std::size_t position = 0; position < spaces->size(); ++position) {
        auto candidates = identifierCandidates(&(*spaces)[position]);
        if (candidates.empty()) {
            fail("Space " + std::to_string(position + 1) + " on display " + N +
                 " has no identifier");
        }
        auto canonical = candidates.front();
        recorded.push_back(RecordedSpace{std::move(canonical), std::move(candidates)});
    }

    // Matching on every candidate lets a current Space given only by "id64"
    // find a Space listed with both keys.
    const auto current =
        std::find_if(recorded.begin(), recorded.end(), [&](const RecordedSpace& space) {
            return sharesCandidate(space.candidates, currentCandidates);
        });
    if (current == recorded.end()) {
        fail("display " + N + " current Space is absent from its Spaces list");
    }

    DisplaySpaceTopology topology{
        *displayID, {}, current->canonical, nameMember(display, "Display Name"), {}};
    topology.spaceIDs.reserve(recorded.size());
    for (auto& space : recorded) {
        topology.spaceIDs.push_back(std::move(space.canonical));
    }
    for (std::size_t position = 0; position < spaces->size(); ++position) {
        auto name = nameMember((*spaces)[position], "Space Name");
        if (!name.empty() && topology.spaceNames.empty()) {
            topology.spaceNames.resize(spaces->size());
        }
        if (!name.empty()) {
            topology.spaceNames[position] = std::move(name);
        }
    }
    return topology;
}

} // namespace

ParsedSpaceData parse(const std::vector<nlohmann::json>& displays) {
    ParsedSpaceData parsed;
    std::unordered_map<std::string, std::size_t> positions;
    std::unordered_map<std::string, std::vector<std::string>> reportingDisplays;

    for (std::size_t number = 1; number <= displays.size(); ++number) {
        auto display = parseDisplay(displays[number - 1], number);
        for (const auto& spaceID : display.spaceIDs) {
            const bool currentHere = spaceID == display.currentSpaceID;
            const auto known = positions.find(spaceID);
            if (known == positions.end()) {
                positions.emplace(spaceID, parsed.spaces.size());
                reportingDisplays[spaceID] = {display.displayID};
                parsed.spaces.push_back(
                    SpaceInventory{static_cast<std::int64_t>(parsed.spaces.size() + 1),
                                   spaceID,
                                   display.displayID,
                                   currentHere,
                                   {}});
                continue;
            }
            // The same Space reported again, by this or another display.
            auto& reporters = reportingDisplays[spaceID];
            if (std::find(reporters.begin(), reporters.end(), display.displayID) ==
                reporters.end()) {
                reporters.push_back(display.displayID);
            }
            auto& space = parsed.spaces[known->second];
            space.display = joined(reporters);
            space.isCurrent = space.isCurrent || currentHere;
        }
        parsed.displays.push_back(std::move(display));
    }
    return parsed;
}

SpaceTopology topology(const ParsedSpaceData& parsed) {
    SpaceTopology topology;
    topology.spaceIDs.reserve(parsed.spaces.size());
    for (const auto& space : parsed.spaces) {
        topology.spaceIDs.push_back(space.id);
        if (space.isCurrent) {
            topology.currentSpaceIDs.insert(space.id);
        }
    }
    topology.displays = parsed.displays;
    return topology;
}

} // namespace deskmap::SpaceParser
