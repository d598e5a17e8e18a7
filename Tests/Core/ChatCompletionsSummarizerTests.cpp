// The OpenRouter summarizer end to end over real HTTP against the stand-in API.
#include "DeskmapCore/API/OpenRouterClient.hpp"
#include "DeskmapCore/Summary/SummaryRequest.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"
#include "SummarizerTestSupport.hpp"
#include "Support/StandInAPIServer.hpp"

#include <gtest/gtest.h>

namespace deskmap {
namespace {

using namespace std::chrono_literals;
using test::StandInAPIServer;

class ChatCompletionsSummarizerTest : public testing::Test {
protected:
    StandInAPIServer server;
    std::shared_ptr<platform::UrlSession> session = std::make_shared<platform::UrlSession>();

    OpenRouterClient client(std::string token = "or-test",
                            std::chrono::steady_clock::duration deadline = 60s) {
        return OpenRouterClient(std::move(token), server.baseURL() + "/api/v1/chat/completions",
                                session, deadline);
    }

    nlohmann::json requestBody(std::size_t position) const {
        return nlohmann::json::parse(server.received().at(position).body);
    }
};

TEST_F(ChatCompletionsSummarizerTest, SummarizesWithOneStructuredRequest) {
    server.enqueueJSON(test::chatCompletionsBody(test::latinAnswer({1, 2})));
    auto openRouter = client();
    const auto result = test::runAsync(openRouter.summarize(test::twoSpaces()));
    EXPECT_EQ(result.model, "deepseek/deepseek-v4-flash-0731");
    EXPECT_EQ(result.spaces.at(1).label, "Work 2");

    const auto requests = server.received();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "/api/v1/chat/completions");
    EXPECT_EQ(requests[0].header("Authorization"), "Bearer or-test");
    const auto body = requestBody(0);
    EXPECT_EQ(body.size(), 7u);
    EXPECT_EQ(body["model"], "deepseek/deepseek-v4-flash-0731");
    EXPECT_EQ(body["store"], false);
    EXPECT_EQ(body["max_tokens"], 8192);
    EXPECT_EQ(body["reasoning"], nlohmann::json({{"effort", "low"}, {"exclude", true}}));
    EXPECT_EQ(body["messages"],
              nlohmann::json::array(
                  {{{"role", "system"}, {"content", std::string(SummaryRequest::instructions)}},
                   {{"role", "user"},
                    {"content", SummaryRequest::minimizedInput(test::twoSpaces(),
                                                               APIProvider::openRouter())}}}));
    EXPECT_EQ(body["response_format"], nlohmann::json({{"type", "json_schema"},
                                                       {"json_schema",
                                                        {{"name", "deskmap_summaries"},
                                                         {"strict", true},
                                                         {"schema", SummaryRequest::schema()}}}}));
    EXPECT_EQ(body["provider"], nlohmann::json({{"data_collection", "deny"},
                                                {"require_parameters", true},
                                                {"sort", "throughput"}}));
}

TEST_F(ChatCompletionsSummarizerTest, ResendsOnceWithLatinInstructionsAfterNonLatinWriting) {
    const std::string korean = R"({"spaces":[{"index":1,"label":"작업","summary":"계획 검토"},)"
                               R"({"index":2,"label":"작업","summary":"계획 검토"}]})";
    server.enqueueJSON(test::chatCompletionsBody(korean));
    server.enqueueJSON(test::chatCompletionsBody(test::latinAnswer({1, 2})));
    auto openRouter = client();
    EXPECT_EQ(test::runAsync(openRouter.summarize(test::twoSpaces())).spaces.size(), 2u);
    ASSERT_EQ(server.received().size(), 2u);
    const auto first = requestBody(0);
    const auto second = requestBody(1);
    EXPECT_EQ(second["messages"][0]["content"],
              std::string(SummaryRequest::latinRetryInstructions));
    EXPECT_EQ(first["messages"][1], second["messages"][1]);
    EXPECT_EQ(second["store"], false);
    EXPECT_EQ(second["max_tokens"], 8192);
    EXPECT_EQ(second["provider"].size(), 3u);
}

TEST_F(ChatCompletionsSummarizerTest, ReportsEachKindOfUnusableAnswer) {
    auto openRouter = client();
    const auto valid = test::latinAnswer({1, 2});
    const auto choice = [](nlohmann::json reason, nlohmann::json content) {
        return nlohmann::json{{"finish_reason", reason}, {"message", {{"content", content}}}};
    };
    const std::vector<std::pair<std::string, std::string>> cases{
        {"<html>", "the response body did not match the Chat Completions API schema"},
        {R"({"choices": [{"finish_reason": "stop"}]})",
         "the response body did not match the Chat Completions API schema"},
        {R"({"choices": []})", "the Chat Completions response did not contain exactly one choice"},
        {nlohmann::json{{"choices", {choice("stop", valid), choice("stop", valid)}}}.dump(),
         "the Chat Completions response did not contain exactly one choice"},
        {test::chatCompletionsBody(valid, "length"),
         "the Chat Completions request ended with finish reason 'length'"},
        {nlohmann::json{{"choices", {choice(nullptr, valid)}}}.dump(),
         "the Chat Completions request ended with finish reason 'missing'"},
        {nlohmann::json{{"choices", {choice("stop", nullptr)}}}.dump(),
         "the response contained no output text"},
        {test::chatCompletionsBody(""), "the response contained no output text"},
        {test::chatCompletionsBody("```json\n" + valid + "\n```"),
         "model output did not match the required schema"},
    };
    for (const auto& [body, message] : cases) {
        server.enqueueJSON(body);
        EXPECT_EQ(test::summaryFailure(openRouter),
                  DeskmapError::invalidOpenRouterResponse(message))
            << body;
    }
}

TEST_F(ChatCompletionsSummarizerTest, ReportsStatusesTimeOutsAndCancellation) {
    auto openRouter = client("or-test", 200ms);
    server.enqueue({401, "unauthorized", false});
    EXPECT_EQ(test::summaryFailure(openRouter),
              DeskmapError::openRouterService(401, "request was rejected"));
    server.enqueue({200, "", true});
    EXPECT_EQ(test::summaryFailure(openRouter),
              DeskmapError::openRouterTransport("request timed out"));

    auto patient = client();
    server.enqueue({200, "", true});
    EXPECT_THROW(test::runAsync(patient.summarize(test::twoSpaces()), 100ms),
                 runtime::CancellationError);
}

} // namespace
} // namespace deskmap
