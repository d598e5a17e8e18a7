#include "DeskmapCore/Summary/SummaryRequest.hpp"

#include "DeskmapCore/Text/DisplayText.hpp"
#include "DeskmapCore/Text/Unicode.hpp"
#include "DeskmapPlatform/Json/JSONField.hpp"

#include <nlohmann/json.hpp>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <array>
#include <map>
#include <set>

namespace deskmap::SummaryRequest {

using platform::JSONDecodingError;
using platform::JSONField;
using platform::parseJSONDocument;

namespace {

constexpr std::size_t maximumLabelLength = 40;
constexpr std::size_t maximumSummaryLength = 100;

using Case = SummaryOutputValidationError::Case;

[[noreturn]] void reject(Case failure) {
    throw SummaryOutputValidationError(failure);
}

struct GeneratedSpace {
    std::int64_t index;
    std::string label;
    std::string summary;
};

std::vector<GeneratedSpace> decodeGeneratedResponse(const std::string& outputText) {
    try {
        const auto document = parseJSONDocument(outputText);
        std::vector<GeneratedSpace> spaces;
        for (const auto& entry : JSONField(document).member("spaces").elements()) {
            auto index = entry.member("index").signed64();
            auto label = entry.member("label").text();
            auto summary = entry.member("summary").text();
            spaces.push_back(GeneratedSpace{index, std::move(label), std::move(summary)});
        }
        return spaces;
    } catch (const JSONDecodingError&) {
        reject(Case::schemaMismatch);
    }
}

} // namespace

std::string minimizedInput(const Inventory& inventory, const APIProvider& provider) {
    try {
        auto spaces = nlohmann::json::array();
        for (const auto& space : inventory.spaces) {
            // Bounded, so one hostile window cannot inflate the request.
            auto windows = nlohmann::json::array();
            for (const auto& window : space.windows) {
                if (windows.size() == maximumWindowsPerSpace) {
                    break;
                }
                nlohmann::json minimized{
                    {"app", Unicode::truncatedToGraphemes(Unicode::repairedUTF8(window.app),
                                                          maximumAppNameLength)}};
                if (window.title) {
                    minimized["title"] = Unicode::truncatedToGraphemes(
                        Unicode::repairedUTF8(*window.title), maximumTitleLength);
                }
                windows.push_back(std::move(minimized));
            }
            spaces.push_back({{"index", space.index}, {"windows", std::move(windows)}});
        }
        // nlohmann::json sorts keys and leaves "/" unescaped; ill-formed
        // UTF-8 is repaired rather than sent.
        return nlohmann::json{{"spaces", std::move(spaces)}}.dump(
            -1, ' ', false, nlohmann::json::error_handler_t::replace);
    } catch (const nlohmann::json::exception&) {
        throw provider.invalidResponse("could not encode the minimized inventory");
    }
}

nlohmann::json schema() {
    const auto text = [](const char* description, int maxLength) {
        return nlohmann::json{{"type", "string"},
                              {"description", description},
                              {"minLength", 1},
                              {"maxLength", maxLength}};
    };
    return nlohmann::json{
        {"type", "object"},
        {"properties",
         {{"spaces",
           {{"type", "array"},
            {"items",
             {{"type", "object"},
              {"properties",
               {{"index", {{"type", "integer"}}},
                {"label", text("English label using the Latin alphabet only. No Chinese or other "
                               "non-Latin writing.",
                               40)},
                {"summary", text("English summary using the Latin alphabet only. No Chinese or "
                                 "other non-Latin writing.",
                                 100)}}},
              {"required", {"index", "label", "summary"}},
              {"additionalProperties", false}}}}}}},
        {"required", {"spaces"}},
        {"additionalProperties", false}};
}

SummaryResult parsedResult(const std::string& outputText, const std::string& model,
                           const Inventory& inventory) {
    std::map<std::int64_t, std::pair<std::string, std::string>> accepted;
    for (auto& entry : decodeGeneratedResponse(outputText)) {
        auto label = Unicode::trimmedWhitespaceAndNewlines(entry.label);
        auto summary = Unicode::trimmedWhitespaceAndNewlines(entry.summary);
        if (label.empty() || summary.empty()) {
            reject(Case::constraints);
        }
        if (Unicode::graphemeCount(label) > maximumLabelLength ||
            Unicode::graphemeCount(summary) > maximumSummaryLength) {
            reject(Case::constraints);
        }
        // An override or isolate would reorder whatever is shown beside it.
        if (containsControlCharacters(label) || containsControlCharacters(summary) ||
            DisplayText::hasBidiControls(label) || DisplayText::hasBidiControls(summary)) {
            reject(Case::constraints);
        }
        if (accepted.contains(entry.index)) {
            reject(Case::constraints);
        }
        if (containsNonLatinAlphabeticCharacters(label) ||
            containsNonLatinAlphabeticCharacters(summary)) {
            reject(Case::nonEnglishText);
        }
        accepted.emplace(entry.index, std::make_pair(std::move(label), std::move(summary)));
    }

    std::set<std::int64_t> expected;
    for (const auto& space : inventory.spaces) {
        expected.insert(space.index);
    }
    if (expected.size() != accepted.size() ||
        !std::equal(expected.begin(), expected.end(), accepted.begin(),
                    [](std::int64_t index, const auto& entry) { return index == entry.first; })) {
        reject(Case::incompleteSpaces);
    }

    SummaryResult result{model, {}};
    result.spaces.reserve(inventory.spaces.size());
    for (const auto& space : inventory.spaces) {
        const auto& [label, summary] = accepted.at(space.index);
        result.spaces.emplace_back(space, label, summary);
    }
    return result;
}

bool containsControlCharacters(std::string_view text) {
    return Unicode::anyScalar(text, [](std::int32_t scalar) {
        return scalar < 0x20 || (scalar >= 0x7F && scalar <= 0x9F);
    });
}

bool containsNonLatinAlphabeticCharacters(std::string_view text) {
    return Unicode::anyScalar(text, [](std::int32_t scalar) {
        if (!u_hasBinaryProperty(scalar, UCHAR_ALPHABETIC)) {
            return false;
        }
        std::array<char, 256> name{};
        UErrorCode status = U_ZERO_ERROR;
        const auto length = u_charName(scalar, U_UNICODE_CHAR_NAME, name.data(),
                                       static_cast<int32_t>(name.size()), &status);
        return U_FAILURE(status) || length <= 0 ||
               std::string_view(name.data(), static_cast<std::size_t>(length)).find("LATIN") ==
                   std::string_view::npos;
    });
}

} // namespace deskmap::SummaryRequest
