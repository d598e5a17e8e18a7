#include "DeskmapCore/API/ResponsesSummarizer.hpp"

#include "DeskmapCore/API/HTTPSummaryRoute.hpp"
#include "DeskmapCore/Summary/SummaryRequest.hpp"
#include "DeskmapPlatform/Json/JSONField.hpp"

#include <nlohmann/json.hpp>

namespace deskmap {

using platform::JSONDecodingError;
using platform::JSONField;
using platform::parseJSONDocument;

namespace {

struct ResponsesContent {
    std::string type;
    std::optional<std::string> text;
};

struct ResponsesEnvelope {
    std::string status;
    std::optional<std::string> outputText;
    std::optional<std::vector<std::vector<ResponsesContent>>> output; // each item's content

    std::optional<std::string> firstOutputText() const {
        if (outputText && !outputText->empty()) {
            return outputText;
        }
        if (!output) {
            return std::nullopt;
        }
        for (const auto& content : *output) {
            for (const auto& part : content) {
                if (part.type == "output_text" && part.text && !part.text->empty()) {
                    return part.text;
                }
            }
        }
        return std::nullopt;
    }
};

std::optional<std::string> optionalText(const JSONField& object, const char* key) {
    const auto member = object.optionalMember(key);
    return member ? std::optional<std::string>(member->text()) : std::nullopt;
}

ResponsesEnvelope decodeEnvelope(const std::string& body) {
    try {
        const auto document = parseJSONDocument(body);
        const JSONField root(document);
        ResponsesEnvelope envelope;
        envelope.status = root.member("status").text();
        envelope.outputText = optionalText(root, "output_text");
        if (const auto output = root.optionalMember("output")) {
            envelope.output.emplace();
            for (const auto& item : output->elements()) {
                auto& contents = envelope.output->emplace_back();
                if (const auto content = item.optionalMember("content")) {
                    for (const auto& part : content->elements()) {
                        contents.push_back(ResponsesContent{part.member("type").text(),
                                                            optionalText(part, "text")});
                    }
                }
            }
        }
        return envelope;
    } catch (const JSONDecodingError&) {
        throw DeskmapError::invalidResponse(
            "the response body did not match the Responses API schema");
    }
}

} // namespace

ResponsesSummarizer::ResponsesSummarizer(std::string token, std::string endpoint,
                                         std::shared_ptr<HTTPDataLoading> loader,
                                         std::chrono::steady_clock::duration requestDeadline,
                                         std::string model)
    : token_(std::move(token)), endpoint_(std::move(endpoint)), loader_(std::move(loader)),
      requestDeadline_(requestDeadline), model_(std::move(model)) {}

nlohmann::json ResponsesSummarizer::requestBody(const std::string& input,
                                                std::string_view instructions,
                                                const std::string& model) {
    return nlohmann::json{{"model", model},
                          {"store", false},
                          {"instructions", instructions},
                          {"input", input},
                          {"text",
                           {{"format",
                             {{"type", "json_schema"},
                              {"name", "deskmap_summaries"},
                              {"strict", true},
                              {"schema", SummaryRequest::schema()}}}}}};
}

std::string ResponsesSummarizer::outputText(const std::string& body) {
    const auto envelope = decodeEnvelope(body);
    if (envelope.status != "completed") {
        throw DeskmapError::invalidResponse("the Responses API request did not complete");
    }
    auto text = envelope.firstOutputText();
    if (!text) {
        throw DeskmapError::invalidResponse("the response contained no output text");
    }
    return std::move(*text);
}

asio::awaitable<SummaryResult> ResponsesSummarizer::summarize(Inventory inventory) const {
    auto summarizing = summarizeOverHTTP(HTTPSummaryRoute{APIProvider::openAI(), model_, endpoint_,
                                                          token_, loader_, requestDeadline_,
                                                          &ResponsesSummarizer::requestBody,
                                                          &ResponsesSummarizer::outputText},
                                         std::move(inventory));
    co_return co_await std::move(summarizing);
}

} // namespace deskmap
