#include "DeskmapCore/API/ChatCompletionsSummarizer.hpp"

#include "DeskmapCore/API/HTTPSummaryRoute.hpp"
#include "DeskmapCore/Summary/SummaryRequest.hpp"
#include "DeskmapPlatform/Json/JSONField.hpp"

#include <nlohmann/json.hpp>

namespace deskmap {

using platform::JSONDecodingError;
using platform::JSONField;
using platform::parseJSONDocument;

namespace {

struct ChatCompletionChoice {
    std::optional<std::string> finishReason;
    std::optional<std::string> content;
};

std::vector<ChatCompletionChoice> decodeChoices(const std::string& body,
                                                const APIProvider& provider) {
    try {
        const auto document = parseJSONDocument(body);
        std::vector<ChatCompletionChoice> choices;
        for (const auto& choice : JSONField(document).member("choices").elements()) {
            ChatCompletionChoice decoded;
            if (const auto reason = choice.optionalMember("finish_reason")) {
                decoded.finishReason = reason->text();
            }
            if (const auto content = choice.member("message").optionalMember("content")) {
                decoded.content = content->text();
            }
            choices.push_back(std::move(decoded));
        }
        return choices;
    } catch (const JSONDecodingError&) {
        throw provider.invalidResponse(
            "the response body did not match the Chat Completions API schema");
    }
}

} // namespace

ChatCompletionsSummarizer::ChatCompletionsSummarizer(
    std::string token, std::string endpoint, std::shared_ptr<HTTPDataLoading> loader,
    std::chrono::steady_clock::duration requestDeadline, std::string model, APIProvider provider)
    : token_(std::move(token)), endpoint_(std::move(endpoint)), loader_(std::move(loader)),
      requestDeadline_(requestDeadline), model_(std::move(model)), provider_(std::move(provider)) {}

nlohmann::json ChatCompletionsSummarizer::requestBody(const std::string& input,
                                                      std::string_view instructions,
                                                      const std::string& model) {
    return nlohmann::json{
        {"model", model},
        {"store", false},
        {"max_tokens", 8192},
        {"reasoning", {{"effort", "low"}, {"exclude", true}}},
        {"messages", nlohmann::json::array({{{"role", "system"}, {"content", instructions}},
                                            {{"role", "user"}, {"content", input}}})},
        {"response_format",
         {{"type", "json_schema"},
          {"json_schema",
           {{"name", "deskmap_summaries"},
            {"strict", true},
            {"schema", SummaryRequest::schema()}}}}},
        {"provider",
         {{"data_collection", "deny"}, {"require_parameters", true}, {"sort", "throughput"}}}};
}

nlohmann::json ChatCompletionsSummarizer::localRequestBody(const std::string& input,
                                                           std::string_view instructions,
                                                           const std::string& model) {
    auto body = requestBody(input, instructions, model);
    body.erase("provider");
    body.erase("reasoning");
    return body;
}

std::string ChatCompletionsSummarizer::outputText(const std::string& body,
                                                  const APIProvider& provider) {
    const auto choices = decodeChoices(body, provider);
    if (choices.size() != 1) {
        throw provider.invalidResponse(
            "the Chat Completions response did not contain exactly one choice");
    }
    const auto& choice = choices.front();
    if (choice.finishReason != "stop") {
        throw provider.invalidResponse("the Chat Completions request ended with finish reason '" +
                                       choice.finishReason.value_or("missing") + "'");
    }
    if (!choice.content || choice.content->empty()) {
        throw provider.invalidResponse("the response contained no output text");
    }
    return *choice.content;
}

asio::awaitable<SummaryResult> ChatCompletionsSummarizer::summarize(Inventory inventory) const {
    auto summarizing = summarizeOverHTTP(
        HTTPSummaryRoute{
            provider_, model_, endpoint_, token_, loader_, requestDeadline_,
            provider_.kind() == APIProvider::Kind::local
                ? &ChatCompletionsSummarizer::localRequestBody
                : &ChatCompletionsSummarizer::requestBody,
            [provider = provider_](const std::string& body) { return outputText(body, provider); }},
        std::move(inventory));
    co_return co_await std::move(summarizing);
}

} // namespace deskmap
