#pragma once

#include "DeskmapPlatform/Http/UrlRequest.hpp"

#include <asio/awaitable.hpp>
#include <string>

namespace deskmap {

// The body and response of one completed exchange.
struct HTTPDataLoad {
    std::string data;
    platform::UrlResponse response;
};

// Sends one prepared request. Throws when the request does not complete, or
// CancellationError when the awaiting coroutine is cancelled. Must be safe to
// call from any executor.
class HTTPDataLoading {
public:
    virtual ~HTTPDataLoading() = default;
    virtual asio::awaitable<HTTPDataLoad> data(platform::UrlRequest request) = 0;

protected:
    HTTPDataLoading() = default;
    HTTPDataLoading(const HTTPDataLoading&) = default;
    HTTPDataLoading& operator=(const HTTPDataLoading&) = default;
};

} // namespace deskmap
