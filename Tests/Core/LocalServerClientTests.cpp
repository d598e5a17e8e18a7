// The local model server end to end over real HTTP against the stand-in API.
#include "DeskmapCore/API/LocalServerAddress.hpp"
#include "DeskmapCore/API/LocalServerClient.hpp"
#include "DeskmapCore/Http/URLSessionDataLoader.hpp"
#include "SummarizerTestSupport.hpp"
#include "Support/StandInAPIServer.hpp"
#include "Support/Thrown.hpp"

#include <gtest/gtest.h>

namespace deskmap {
namespace {

using namespace std::chrono_literals;
using test::StandInAPIServer;

class LocalServerClientTest : public testing::Test {
protected:
    StandInAPIServer server;
    std::shared_ptr<platform::UrlSession> session = std::make_shared<platform::UrlSession>();

    std::vector<std::string> models(const std::string& baseURL,
                                    std::optional<std::string> key = std::nullopt) {
        return test::runAsync(LocalServerClient::models(
            baseURL, std::move(key), std::make_shared<URLSessionDataLoader>(session), 5s));
    }
};

TEST_F(LocalServerClientTest, ListsItsModelsAndSummarizesWithOrWithoutAKey) {
    server.enqueueJSON(R"({"object": "list", "data": [{"id": "llama3.2:3b"}, {"id": "qwen3"},
        {"id": "llama3.2:3b"}, {"id": " padded"}, {"id": "evil\u202Egpj.exe"}, {"id": 7},
        {"name": "no id"}]})");
    EXPECT_EQ(models(server.baseURL() + "/"), (std::vector<std::string>{"llama3.2:3b", "qwen3"}))
        << "unusable and repeated ids are left out";
    nlohmann::json many{{"data", nlohmann::json::array()}};
    for (int model = 0; model < 600; ++model) {
        many["data"].push_back({{"id", "m" + std::to_string(model)}});
    }
    server.enqueueJSON(many.dump());
    EXPECT_EQ(models(server.baseURL()).size(), 500u) << "a list Settings can still show";
    server.enqueueJSON(test::chatCompletionsBody(test::latinAnswer({1, 2})));
    LocalServerClient withoutKey(std::nullopt, server.baseURL(), session, 60s, "qwen3");
    const auto result = test::runAsync(withoutKey.summarize(test::twoSpaces()));
    EXPECT_EQ(result.model, "qwen3");
    EXPECT_EQ(result.spaces.at(1).label, "Work 2");

    auto requests = server.received();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].path, "/v1/models");
    EXPECT_EQ(requests[2].path, "/v1/chat/completions");
    for (const auto& request : requests) {
        EXPECT_EQ(request.headers.count("Authorization"), 0u) << "no key, no Authorization";
    }
    const auto body = nlohmann::json::parse(requests[2].body);
    EXPECT_EQ(body["model"], "qwen3");
    EXPECT_TRUE(body.contains("response_format"));
    EXPECT_FALSE(body.contains("provider")) << "OpenRouter's routing means nothing here";
    EXPECT_FALSE(body.contains("reasoning"));

    server.enqueueJSON(R"({"data": [{"id": "m"}]})");
    models(server.baseURL(), "local-key");
    server.enqueueJSON(test::chatCompletionsBody(test::latinAnswer({1, 2})));
    LocalServerClient withKey(" local-key\n", server.baseURL(), session, 60s, "m");
    test::runAsync(withKey.summarize(test::twoSpaces()));
    requests = server.received();
    EXPECT_EQ(requests.at(3).header("Authorization"), "Bearer local-key");
    EXPECT_EQ(requests.at(4).header("Authorization"), "Bearer local-key");
    EXPECT_THROW(LocalServerClient(std::nullopt, server.baseURL(), session, 60s, " "),
                 LocalModelRequired);
}

TEST_F(LocalServerClientTest, FailuresNameTheServerAndWhatToFix) {
    // A server that does not run: the message names the address to check.
    const auto down = test::messageOf<DeskmapError>([&] { models("http://127.0.0.1:9"); });
    EXPECT_EQ(down.rfind("Could not reach the local model server at http://127.0.0.1:9 (", 0), 0u)
        << down;

    server.enqueue(
        {404, R"({"error": {"message": "model \"llama9\" not found, try pulling it"}})"});
    LocalServerClient client(std::nullopt, server.baseURL(), session, 60s, "llama9");
    const auto refused = test::summaryFailure(client);
    ASSERT_TRUE(refused);
    EXPECT_NE(std::string(refused->what()).find(server.baseURL()), std::string::npos);
    EXPECT_NE(std::string(refused->what()).find("llama9\" not found"), std::string::npos)
        << refused->what();

    server.enqueueJSON(R"(["not", "a", "model", "list"])");
    EXPECT_EQ(test::messageOf<DeskmapError>([&] { models(server.baseURL()); }),
              "The local model server at " + server.baseURL() +
                  " returned an invalid response: the model list is not a list of models");
    server.enqueueJSON(test::chatCompletionsBody("not json"));
    EXPECT_TRUE(test::summaryFailure(client)) << "an answer that is no summary";
}

TEST(LocalServerAddress, SaysWhetherAnythingLeavesTheComputer) {
    for (const auto* url :
         {"http://127.0.0.1:11434", "http://localhost:8080/", "http://[::1]:1", "HTTP://127.9.0.1",
          "http://llm.localhost", "http://[::ffff:127.0.0.1]:80"}) {
        const auto address = LocalServerAddress::parse(url);
        ASSERT_TRUE(address) << url;
        EXPECT_TRUE(address->loopback) << url;
        EXPECT_EQ(address->reach(),
                  "The server runs on this computer: nothing Deskmap sends leaves it.");
    }
    EXPECT_EQ(LocalServerAddress::parse("https://gpu.example.lan:8443/base")->reach(),
              "App names and window titles leave this computer for gpu.example.lan.");
    const auto plain = LocalServerAddress::parse("http://192.168.1.20:11434")->reach();
    EXPECT_EQ(plain.rfind("App names and window titles leave this computer for 192.168.1.20 "
                          "unencrypted (plain HTTP)",
                          0),
              0u)
        << plain;
    for (const auto* url :
         {"", "127.0.0.1:11434", "ftp://host", "http://", "http://user:pw@host", "http://host:port",
          "http://[::1", "http://a b", "http://host/?x=1", "http://host#frag"}) {
        EXPECT_FALSE(LocalServerAddress::parse(url)) << url;
    }
}

} // namespace
} // namespace deskmap
