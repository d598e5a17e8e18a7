// `deskmap summarize` against the stand-in API through the base-URL variables.
#include "CLITestSupport.hpp"
#include "Support/ScopedFiles.hpp"
#include "Support/StandInAPIServer.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <filesystem>
#include <fstream>

namespace deskmap {
namespace {

using test::deskmap;
using test::scenarios;

class SummarizeCommandTest : public testing::Test {
protected:
    test::StandInAPIServer server;
    const std::string scenario = scenarios + "shared-space.json";

    std::map<std::string, std::string> openAI(std::string token = "sk-test") const {
        return {{"DESKMAP_OPENAI_BASE_URL", server.baseURL()},
                {"OPENAI_ACCESS_TOKEN", std::move(token)}};
    }
    std::map<std::string, std::string> openRouter(std::string token = "or-test") const {
        return {{"DESKMAP_OPENROUTER_BASE_URL", server.baseURL() + "/"},
                {"OPENROUTER_API_KEY", std::move(token)}};
    }
};

TEST_F(SummarizeCommandTest, PrintsTheSummariesOfEverySpace) {
    server.enqueueJSON(test::responsesBody(test::latinAnswer({1, 2, 3})));
    const auto result = deskmap({"summarize", "--desktop", scenario}, openAI());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "1  Work 1\n   Reviewing the release plan\n\n"
                          "2  Work 2 (current)\n   Reviewing the release plan\n\n"
                          "3  Work 3 (current)\n   Reviewing the release plan\n");
    ASSERT_EQ(server.received().size(), 1u);
    EXPECT_EQ(server.received()[0].path, "/v1/responses");
}

TEST_F(SummarizeCommandTest, PrintsJSONThroughOpenRouter) {
    server.enqueueJSON(test::chatCompletionsBody(test::latinAnswer({1, 2, 3})));
    const auto result = deskmap(
        {"summarize", "--provider", "openrouter", "--json", "--desktop", scenario}, openRouter());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto document = nlohmann::json::parse(result.out);
    EXPECT_EQ(document["model"], "deepseek/deepseek-v4-flash-0731");
    EXPECT_EQ(document["spaces"].size(), 3u);
    EXPECT_EQ(server.received().at(0).path, "/api/v1/chat/completions");
    EXPECT_EQ(server.received().at(0).header("Authorization"), "Bearer or-test");
}

TEST_F(SummarizeCommandTest, AMissingOrBlankKeyIsReportedWithoutARequest) {
    auto missing = openAI();
    missing.erase("OPENAI_ACCESS_TOKEN");
    const auto noKey = deskmap({"summarize", "--desktop", scenario}, missing);
    EXPECT_EQ(noKey.exitCode, 1);
    EXPECT_EQ(noKey.err, "OPENAI_ACCESS_TOKEN is required for summarize.\n");
    EXPECT_EQ(noKey.out, "");

    const auto blank = deskmap({"summarize", "--provider", "openrouter", "--desktop", scenario},
                               openRouter(" \n"));
    EXPECT_EQ(blank.exitCode, 1);
    EXPECT_EQ(blank.err, "OPENROUTER_API_KEY is required for summarize with OpenRouter.\n");

    const auto split = deskmap({"summarize", "--provider", "openrouter", "--desktop", scenario},
                               openRouter("sk-or\r\nX-Injected: 1"));
    EXPECT_EQ(split.exitCode, 1);
    EXPECT_NE(split.err.find("The API key holds a line break"), std::string::npos) << split.err;
    EXPECT_TRUE(server.received().empty());
}

TEST_F(SummarizeCommandTest, DryRunShowsWhatWouldBeSentAndSendsNothing) {
    auto noKey = openAI();
    noKey.erase("OPENAI_ACCESS_TOKEN");
    const auto result = deskmap({"summarize", "--dry-run", "--desktop", scenario}, noKey);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto firstLine = result.out.substr(0, result.out.find('\n'));
    EXPECT_EQ(firstLine, "POST " + server.baseURL() + "/v1/responses");
    const auto body = nlohmann::json::parse(result.out.substr(firstLine.size() + 1));
    EXPECT_EQ(body["model"], "gpt-5.6-luna");
    EXPECT_NE(body["input"].get<std::string>().find("docs/guide"), std::string::npos);
    EXPECT_EQ(body["input"].get<std::string>().find("AAAA-1111"), std::string::npos);

    const auto openRouterRun =
        deskmap({"summarize", "--provider", "openrouter", "--dry-run", "--desktop", scenario},
                {{"DESKMAP_OPENROUTER_BASE_URL", server.baseURL()}});
    ASSERT_EQ(openRouterRun.exitCode, 0) << openRouterRun.err;
    EXPECT_EQ(openRouterRun.out.rfind("POST " + server.baseURL() + "/api/v1/chat/completions\n", 0),
              0u);
    EXPECT_TRUE(server.received().empty());
}

TEST_F(SummarizeCommandTest, ThePrivacyRulesDecideWhatIsSent) {
    const test::TemporaryFolder config("deskmap-privacy");
    std::filesystem::create_directories(config / "deskmap");
    std::ofstream(config / "deskmap" / "defaults.json")
        << R"({"excludedApps": ["safari"], "redactIdentifiers": "yes"})";
    auto environment = openAI();
    environment["XDG_CONFIG_HOME"] = config.string();

    const auto dryRun = deskmap({"summarize", "--dry-run", "--desktop", scenario}, environment);
    ASSERT_EQ(dryRun.exitCode, 0) << dryRun.err;
    EXPECT_EQ(dryRun.out.find("docs/guide"), std::string::npos) << dryRun.out;
    EXPECT_NE(dryRun.out.find("\nSpace 3: 1 window withheld by the privacy rules\n"),
              std::string::npos)
        << dryRun.out;
    EXPECT_EQ(dryRun.err, "deskmap: the privacy setting \"redactIdentifiers\" in the settings "
                          "file is malformed, so its default applies\n");

    server.enqueueJSON(test::responsesBody(test::latinAnswer({1, 2, 3})));
    const auto sent = deskmap({"summarize", "--desktop", scenario}, environment);
    ASSERT_EQ(sent.exitCode, 0) << sent.err;
    ASSERT_EQ(server.received().size(), 1u);
    EXPECT_EQ(server.received()[0].body.find("docs/guide"), std::string::npos);
    EXPECT_NE(server.received()[0].body.find("Notes"), std::string::npos);

    auto viaOpenRouter = openRouter();
    viaOpenRouter["XDG_CONFIG_HOME"] = config.string();
    server.enqueueJSON(test::chatCompletionsBody(test::latinAnswer({1, 2, 3})));
    const auto routed =
        deskmap({"summarize", "--provider", "openrouter", "--desktop", scenario}, viaOpenRouter);
    ASSERT_EQ(routed.exitCode, 0) << routed.err;
    ASSERT_EQ(server.received().size(), 2u);
    EXPECT_EQ(server.received()[1].body.find("docs/guide"), std::string::npos);
}

TEST_F(SummarizeCommandTest, TheModelIsChosenAndARefusalNamesIt) {
    const test::TemporaryFolder config("deskmap-model");
    std::filesystem::create_directories(config / "deskmap");
    std::ofstream(config / "deskmap" / "defaults.json")
        << R"({"openRouterModel": "vendor/saved-model"})";
    auto environment = openRouter();
    environment["XDG_CONFIG_HOME"] = config.string();
    const auto saved = deskmap(
        {"summarize", "--provider", "openrouter", "--dry-run", "--desktop", scenario}, environment);
    EXPECT_NE(saved.out.find(R"("model": "vendor/saved-model")"), std::string::npos) << saved.out;
    const auto chosen = deskmap({"summarize", "--provider", "openrouter", "--model", "vendor/other",
                                 "--dry-run", "--desktop", scenario},
                                environment);
    EXPECT_NE(chosen.out.find(R"("model": "vendor/other")"), std::string::npos) << chosen.out;

    server.enqueue({404,
                    R"({"error": {"message": "The model `gpt-x` does not exist or you do not )"
                    R"(have access to it.", "code": "model_not_found"}})",
                    false});
    const auto refused =
        deskmap({"summarize", "--model", "gpt-x", "--desktop", scenario}, openAI());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err,
              "OpenAI returned HTTP 404: the model \"gpt-x\" was refused (The model `gpt-x` does "
              "not exist or you do not have access to it.); choose another model in Settings or "
              "with --model\n");
    server.enqueue({400, R"({"error": {"message": "Invalid schema for response_format"}})", false});
    EXPECT_EQ(deskmap({"summarize", "--model", "gpt-x", "--desktop", scenario}, openAI()).err,
              "OpenAI returned HTTP 400: request was rejected\n")
        << "other errors keep their bodies to themselves";

    EXPECT_EQ(deskmap({"summarize", "--provider", "codex", "--model", "m"}, openAI()).exitCode, 2);
    for (const auto* unusable : {"", " gpt-x", "gpt\nx", "gpt\u2028x"}) {
        EXPECT_EQ(deskmap({"summarize", "--model", unusable, "--dry-run"}, openAI()).exitCode, 2)
            << "never sent: " << unusable;
    }
}

TEST_F(SummarizeCommandTest, ALocalServerNeedsNoKeyAndOffersItsFirstModel) {
    // A proxy that answers nothing: a server on this computer is reached directly.
    const std::map<std::string, std::string> local{{"DESKMAP_LOCAL_BASE_URL", server.baseURL()},
                                                   {"http_proxy", "http://127.0.0.1:9"},
                                                   {"ALL_PROXY", "http://127.0.0.1:9"}};
    const auto list = R"({"data": [{"id": "qwen3"}, {"id": "llama3.2"}]})";
    server.enqueueJSON(list);
    const auto listed = deskmap({"models", "--provider", "local"}, local);
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(listed.out, "qwen3\nllama3.2\n");

    server.enqueueJSON(list);
    server.enqueueJSON(test::chatCompletionsBody(test::latinAnswer({1, 2, 3})));
    const auto result =
        deskmap({"summarize", "--provider", "local", "--json", "--desktop", scenario}, local);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(nlohmann::json::parse(result.out)["model"], "qwen3") << "the first is the default";
    const auto requests = server.received();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].path, "/v1/chat/completions");
    EXPECT_EQ(requests[2].headers.count("Authorization"), 0u);

    const auto dryRun = deskmap(
        {"summarize", "--provider", "local", "--model", "m", "--dry-run", "--desktop", scenario},
        local);
    EXPECT_EQ(dryRun.out.rfind("The server runs on this computer: nothing Deskmap sends leaves "
                               "it.\nPOST " +
                                   server.baseURL() + "/v1/chat/completions\n",
                               0),
              0u)
        << dryRun.out;
    EXPECT_EQ(server.received().size(), 3u) << "a dry run sends nothing";

    const auto down = deskmap({"summarize", "--provider", "local", "--desktop", scenario},
                              {{"DESKMAP_LOCAL_BASE_URL", "http://127.0.0.1:9"}});
    EXPECT_EQ(down.exitCode, 1);
    EXPECT_NE(down.err.find("Could not reach the local model server at http://127.0.0.1:9"),
              std::string::npos)
        << down.err;
}

TEST_F(SummarizeCommandTest, FailuresPrintTheirDescription) {
    server.enqueue({500, "oops", false});
    const auto rejected = deskmap({"summarize", "--desktop", scenario}, openAI());
    EXPECT_EQ(rejected.exitCode, 1);
    EXPECT_EQ(rejected.err, "OpenAI returned HTTP 500: request was rejected\n");

    server.enqueueJSON(test::responsesBody(test::latinAnswer({1})));
    const auto incomplete = deskmap({"summarize", "--desktop", scenario}, openAI());
    EXPECT_EQ(incomplete.exitCode, 1);
    EXPECT_EQ(incomplete.err, "OpenAI returned an invalid response: the model did not summarize "
                              "every Space exactly once\n");

    const auto collection =
        deskmap({"summarize", "--desktop", scenarios + "no-spaces.json"}, openAI());
    EXPECT_EQ(collection.exitCode, 1);
    EXPECT_EQ(collection.err, "Could not read this desktop's Spaces: no Spaces were reported\n");

    EXPECT_EQ(deskmap({"summarize", "--provider", "gemini"}, openAI()).exitCode, 2);
}

TEST_F(SummarizeCommandTest, InterruptCancelsTheRequestQuietly) {
    server.enqueue({200, "", true});
    test::ChildProcess process(test::deskmapBinary, {"summarize", "--desktop", scenario}, openAI(),
                               test::isolatedEnvironment);
    ASSERT_TRUE(server.waitForRequests(1));
    process.signal(SIGINT);
    const auto result = process.wait();
    EXPECT_EQ(result.exitCode, 130);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
}

} // namespace
} // namespace deskmap
