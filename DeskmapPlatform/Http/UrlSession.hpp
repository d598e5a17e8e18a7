#pragma once

#include "DeskmapPlatform/Http/UrlRequest.hpp"

#include <asio/awaitable.hpp>
#include <cstddef>
#include <memory>

namespace deskmap::platform {

class HttpTransport;

// HTTP(S) over libcurl's multi interface, driven by one background thread.
// TLS peers are verified; proxies come from the usual environment variables
// (http_proxy, https_proxy, no_proxy, …) as curl reads them. Redirects are
// not followed. Safe to use from any thread and any executor.
class UrlSession {
public:
    static constexpr std::size_t defaultMaximumBodyBytes = 32u * 1024 * 1024;

    // Throws UrlError when the HTTP client cannot be loaded.
    explicit UrlSession(std::size_t maximumBodyBytes = defaultMaximumBodyBytes);
    ~UrlSession();
    UrlSession(const UrlSession&) = delete;
    UrlSession& operator=(const UrlSession&) = delete;

    // Sends the request and returns the body and response. Throws UrlError
    // when the request does not complete, also at once for a header that
    // holds a line break (it would split the request). Cancelling the
    // awaiting coroutine ends the wait at once with CancellationError and
    // drops the transfer.
    asio::awaitable<UrlLoad> data(UrlRequest request);

private:
    class TransferGuard;
    std::unique_ptr<HttpTransport> worker_;
};

} // namespace deskmap::platform
