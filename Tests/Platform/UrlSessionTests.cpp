#include "DeskmapPlatform/Http/UrlSession.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"
#include "Support/RunAsync.hpp"
#include "Support/StandInAPIServer.hpp"
#include "Support/Thrown.hpp"

#include <gtest/gtest.h>

namespace deskmap::platform {
namespace {

using namespace std::chrono_literals;

UrlRequest post(const std::string& url, std::string body = "{}") {
    UrlRequest request;
    request.url = url;
    request.method = "POST";
    request.headers = {{"Content-Type", "application/json"}, {"Authorization", "Bearer k"}};
    request.body = std::move(body);
    return request;
}

std::string failureOf(UrlSession& session, UrlRequest request) {
    return test::messageOf<UrlError>([&] { test::runAsync(session.data(std::move(request))); });
}

TEST(UrlSession, RefusesHeadersThatWouldSplitTheRequest) {
    test::StandInAPIServer server;
    UrlSession session;
    auto request = post(server.baseURL());
    request.headers.push_back({"Authorization", "Bearer a\r\nX-Injected: 1"});
    EXPECT_EQ(failureOf(session, request),
              "the request header \"Authorization\" contains a line break");
    request.headers = {{"X-Name\n", "v"}};
    EXPECT_NE(failureOf(session, request).find("contains a line break"), std::string::npos);
    EXPECT_TRUE(server.received().empty());
}

TEST(UrlSession, RefusesSchemesOtherThanHTTP) {
    UrlSession session;
    EXPECT_NE(failureOf(session, post("file:///etc/passwd")), "no failure");
}

TEST(UrlSession, StopsReadingABodyOverTheLimit) {
    test::StandInAPIServer server;
    server.enqueue({200, std::string(4096, 'x'), false});
    UrlSession session(1024);
    EXPECT_EQ(failureOf(session, post(server.baseURL())), "the response body exceeded 1024 bytes");
}

TEST(UrlSession, GivesUpOnAnIdleServerAfterTheTimeoutInterval) {
    test::StandInAPIServer server;
    server.enqueue({200, "", true});
    UrlSession session;
    auto request = post(server.baseURL());
    request.timeoutInterval = 1s;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_NE(failureOf(session, request), "no failure");
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
}

TEST(UrlSession, CancellationEndsTheWaitPromptly) {
    test::StandInAPIServer server;
    server.enqueue({200, "", true});
    UrlSession session;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(test::runAsync(session.data(post(server.baseURL())), 100ms),
                 runtime::CancellationError);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    // The session goes on serving after a cancelled transfer.
    server.enqueue({200, "after", false});
    EXPECT_EQ(test::runAsync(session.data(post(server.baseURL()))).body, "after");
}

} // namespace
} // namespace deskmap::platform
