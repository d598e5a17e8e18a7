#pragma once

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace deskmap::platform {

// One HTTP request, prepared in full before it is sent.
struct UrlRequest {
    std::string url;
    std::string method = "GET";
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // Idle time-out: how long connecting, or a transfer that moves no data,
    // may take before the request fails.
    std::chrono::milliseconds timeoutInterval{60'000};
    // Past any proxy the environment names: for a server on this computer,
    // whose requests must not leave it.
    bool direct = false;

    friend bool operator==(const UrlRequest&, const UrlRequest&) = default;
};

// What came back besides the body. A response that is not an HTTP response
// has no status code.
struct UrlResponse {
    std::optional<int> statusCode;

    friend bool operator==(const UrlResponse&, const UrlResponse&) = default;
};

struct UrlLoad {
    std::string body;
    UrlResponse response;
};

// A request that did not complete: it could not be sent, the connection
// failed, TLS failed, the idle time-out passed, or the answer was refused
// (too large). The message is a sentence for the user.
class UrlError : public std::runtime_error {
public:
    explicit UrlError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace deskmap::platform
