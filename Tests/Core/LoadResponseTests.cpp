#include "DeskmapCore/Http/LoadResponse.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"
#include "Support/FakeLoader.hpp"
#include "Support/RunAsync.hpp"

#include <gtest/gtest.h>

namespace deskmap {
namespace {

using namespace std::chrono_literals;

std::shared_ptr<test::FakeLoader> answering(std::optional<int> status, std::string body = "{}") {
    auto loader = std::make_shared<test::FakeLoader>();
    loader->answer = [status, body] { return HTTPDataLoad{body, {status}}; };
    return loader;
}

std::string load(std::shared_ptr<HTTPDataLoading> loader,
                 APIProvider provider = APIProvider::openAI(),
                 std::chrono::steady_clock::duration deadline = 60s,
                 std::optional<std::chrono::steady_clock::duration> cancelAfter = std::nullopt) {
    return test::runAsync(loadResponse({}, std::move(loader), provider, deadline), cancelAfter);
}

std::optional<DeskmapError> failure(std::shared_ptr<HTTPDataLoading> loader,
                                    APIProvider provider = APIProvider::openAI(),
                                    std::chrono::steady_clock::duration deadline = 60s) {
    try {
        load(std::move(loader), provider, deadline);
    } catch (const DeskmapError& error) {
        return error;
    }
    return std::nullopt;
}

TEST(LoadResponse, ReturnsTheBodyOfASuccessStatus) {
    EXPECT_EQ(load(answering(200, "body")), "body");
    EXPECT_EQ(load(answering(299, "edge")), "edge");
}

TEST(LoadResponse, RejectsStatusesOutsideTheSuccessRange) {
    for (const int status : {199, 300, 401, 429, 500}) {
        EXPECT_EQ(failure(answering(status, "details")),
                  DeskmapError::service(status, "request was rejected"));
        EXPECT_EQ(failure(answering(status), APIProvider::openRouter()),
                  DeskmapError::openRouterService(status, "request was rejected"));
    }
}

TEST(LoadResponse, OnlyARefusedModelsMessageIsKeptAndItIsCapped) {
    const auto body = [](const std::string& message) {
        return R"({"error": {"message": ")" + message + R"("}})";
    };
    EXPECT_EQ(modelRefusal(404, body("no model X here"), "x"), "no model X here")
        << "named in any case";
    EXPECT_EQ(modelRefusal(404, body("no such model"), "x-1"), std::nullopt);
    EXPECT_EQ(modelRefusal(500, body("model x-1 overloaded"), "x-1"), std::nullopt);
    EXPECT_EQ(modelRefusal(400, "model x-1 <html>", "x-1"), std::nullopt) << "not JSON";
    EXPECT_EQ(modelRefusal(400, R"({"error": {"message": 5}})", "5"), std::nullopt);
    const auto shown = modelRefusal(400, body("model x-1 " + std::string(400, 'a')), "x-1");
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->size(), 200u + std::string("…").size() - 1) << *shown;
}

TEST(LoadResponse, RejectsAnAnswerThatIsNotHTTP) {
    EXPECT_EQ(failure(answering(std::nullopt, R"({"valid":"json"})")),
              DeskmapError::invalidResponse("the response was not HTTP"));
    EXPECT_EQ(failure(answering(std::nullopt), APIProvider::openRouter()),
              DeskmapError::invalidOpenRouterResponse("the response was not HTTP"));
}

TEST(LoadResponse, ADeadlineThatPassesIsATimeOutAndCancelsTheLoad) {
    auto loader = std::make_shared<test::FakeLoader>();
    loader->delay = 1h;
    EXPECT_EQ(failure(loader, APIProvider::openAI(), 30ms),
              DeskmapError::transport("request timed out"));
    EXPECT_EQ(loader->cancelled.load(), 1);
    EXPECT_EQ(failure(loader, APIProvider::openRouter(), 30ms),
              DeskmapError::openRouterTransport("request timed out"));
}

TEST(LoadResponse, CancellationIsNeitherATimeOutNorATransportError) {
    auto loader = std::make_shared<test::FakeLoader>();
    loader->delay = 1h;
    EXPECT_THROW(load(loader, APIProvider::openAI(), 1h, 20ms), runtime::CancellationError);
    EXPECT_EQ(loader->cancelled.load(), 1);
}

TEST(LoadResponse, LoaderFailuresBecomeTransportErrorsWithTheirDescription) {
    auto loader = std::make_shared<test::FakeLoader>();
    loader->answer = []() -> HTTPDataLoad { throw platform::UrlError("Could not resolve host"); };
    EXPECT_EQ(failure(loader), DeskmapError::transport("Could not resolve host"));
    EXPECT_EQ(failure(loader, APIProvider::openRouter()),
              DeskmapError::openRouterTransport("Could not resolve host"));
    loader->answer = []() -> HTTPDataLoad { throw runtime::CancellationError(); };
    EXPECT_THROW(load(loader), runtime::CancellationError);
}

} // namespace
} // namespace deskmap
