// The OpenAI summarizer end to end over real HTTP against the stand-in API.
#include "DeskmapCore/API/LunaClient.hpp"
#include "DeskmapCore/Summary/SummaryRequest.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"
#include "SummarizerTestSupport.hpp"
#include "Support/StandInAPIServer.hpp"
#include "Support/Thrown.hpp"

#include <gtest/gtest.h>

namespace deskmap {
namespace {

using namespace std::chrono_literals;
using test::StandInAPIServer;

class ResponsesSummarizerTest : public testing::Test {
protected:
    StandInAPIServer server;
    std::shared_ptr<platform::UrlSession> session = std::make_shared<platform::UrlSession>();

    LunaClient client(std::string token = "sk-test",
                      std::chrono::steady_clock::duration deadline = 60s) {
        return LunaClient(std::move(token), server.baseURL() + "/v1/responses", session, deadline);
    }

    nlohmann::json requestBody(std::size_t position) const {
        return nlohmann::json::parse(server.received().at(position).body);
    }
};

TEST_F(ResponsesSummarizerTest, SummarizesWithOneStructuredRequest) {
    server.enqueueJSON(test::responsesBody(test::latinAnswer({2, 1})));
    auto luna = client();
    const auto result = test::runAsync(luna.summarize(test::twoSpaces()));
    EXPECT_EQ(result.model, "gpt-5.6-luna");
    ASSERT_EQ(result.spaces.size(), 2u);
    EXPECT_EQ(result.spaces[0].label, "Work 1");
    EXPECT_EQ(result.spaces[1].evidence, test::twoSpaces().spaces[1].windows);

    const auto requests = server.received();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "/v1/responses");
    EXPECT_EQ(requests[0].header("Authorization"), "Bearer sk-test");
    EXPECT_EQ(requests[0].header("Content-Type"), "application/json");
    const auto body = requestBody(0);
    EXPECT_EQ(body.size(), 5u);
    EXPECT_EQ(body["model"], "gpt-5.6-luna");
    EXPECT_EQ(body["store"], false);
    EXPECT_EQ(body["instructions"], std::string(SummaryRequest::instructions));
    EXPECT_EQ(body["input"],
              SummaryRequest::minimizedInput(test::twoSpaces(), APIProvider::openAI()));
    EXPECT_EQ(body["text"]["format"], nlohmann::json({{"type", "json_schema"},
                                                      {"name", "deskmap_summaries"},
                                                      {"strict", true},
                                                      {"schema", SummaryRequest::schema()}}));
    // Compact, sorted, slashes unescaped.
    EXPECT_EQ(requests[0].body.rfind("{\"input\":", 0), 0u);
    EXPECT_NE(requests[0].body.find("~/src/app"), std::string::npos);
}

TEST_F(ResponsesSummarizerTest, FindsTheOutputTextDeepInTheOutput) {
    const auto text = test::latinAnswer({1, 2});
    const nlohmann::json output =
        nlohmann::json::array({{{"type", "reasoning"}},
                               {{"type", "message"},
                                {"content",
                                 {{{"type", "refusal"}, {"text", "no"}},
                                  {{"type", "output_text"}, {"text", ""}},
                                  {{"type", "output_text"}, {"text", text}}}}}});
    server.enqueueJSON(nlohmann::json{{"status", "completed"}, {"output", output}}.dump());
    server.enqueueJSON(
        nlohmann::json{{"status", "completed"}, {"output_text", ""}, {"output", output}}.dump());
    auto luna = client();
    EXPECT_EQ(test::runAsync(luna.summarize(test::twoSpaces())).spaces.size(), 2u);
    EXPECT_EQ(test::runAsync(luna.summarize(test::twoSpaces())).spaces.size(), 2u);
}

TEST_F(ResponsesSummarizerTest, ResendsOnceWithLatinInstructionsAfterNonLatinWriting) {
    server.enqueueJSON(test::responsesBody(test::cyrillicAnswer({1, 2})));
    server.enqueueJSON(test::responsesBody(test::latinAnswer({1, 2})));
    auto luna = client();
    EXPECT_EQ(test::runAsync(luna.summarize(test::twoSpaces())).spaces.size(), 2u);
    ASSERT_EQ(server.received().size(), 2u);
    EXPECT_EQ(requestBody(1)["instructions"], std::string(SummaryRequest::latinRetryInstructions));
    EXPECT_EQ(requestBody(0)["input"], requestBody(1)["input"]);
}

TEST_F(ResponsesSummarizerTest, OtherRejectionsAreNotResent) {
    server.enqueueJSON(test::responsesBody(test::latinAnswer({1})));
    auto luna = client();
    EXPECT_EQ(
        test::summaryFailure(luna),
        DeskmapError::invalidResponse("the model did not summarize every Space exactly once"));
    EXPECT_EQ(server.received().size(), 1u);
}

TEST_F(ResponsesSummarizerTest, ReportsEachKindOfUnusableAnswer) {
    auto luna = client();
    const std::vector<std::pair<std::string, std::string>> cases{
        {"not json", "the response body did not match the Responses API schema"},
        {R"({"output_text": "x"})", "the response body did not match the Responses API schema"},
        {R"({"status": "completed", "output": [{"content": [{"text": "x"}]}]})",
         "the response body did not match the Responses API schema"},
        {R"({"status": "incomplete", "output_text": "x"})",
         "the Responses API request did not complete"},
        {R"({"status": "completed"})", "the response contained no output text"},
        {R"({"status": "completed", "output": [{"content": [{"type": "refusal", "text": "no"}]}]})",
         "the response contained no output text"},
        {test::responsesBody("Here you go: {}"), "model output did not match the required schema"},
    };
    for (const auto& [body, message] : cases) {
        server.enqueueJSON(body);
        EXPECT_EQ(test::summaryFailure(luna), DeskmapError::invalidResponse(message)) << body;
    }
}

TEST_F(ResponsesSummarizerTest, ARefusedConnectionIsATransportError) {
    std::string url;
    {
        StandInAPIServer gone;
        url = gone.baseURL();
    }
    LunaClient luna("sk-test", url + "/v1/responses", session);
    const auto error = test::summaryFailure(luna);
    ASSERT_TRUE(error);
    EXPECT_TRUE(std::holds_alternative<DeskmapError::Transport>(error->failure()));
    EXPECT_EQ(error->errorDescription()->rfind("OpenAI request failed: ", 0), 0u);
}

TEST_F(ResponsesSummarizerTest, RequiresATokenAndKeepsLineBreaksOutOfTheHeader) {
    EXPECT_EQ(test::messageOf<DeskmapError>([&] { client(" \n\t"); }),
              DeskmapError::missingCredential().what());

    server.enqueueJSON(test::responsesBody(test::latinAnswer({1, 2})));
    auto trailing = client("sk-test\n");
    EXPECT_EQ(trailing.client().token(), "sk-test\n");
    test::runAsync(trailing.summarize(test::twoSpaces()));
    EXPECT_EQ(server.received().at(0).header("Authorization"), "Bearer sk-test");

    auto split = client("sk-a\r\nX-Injected: yes");
    EXPECT_EQ(
        test::summaryFailure(split),
        DeskmapError::transport("the request header \"Authorization\" contains a line break"));
    EXPECT_EQ(server.received().size(), 1u);
}

} // namespace
} // namespace deskmap
