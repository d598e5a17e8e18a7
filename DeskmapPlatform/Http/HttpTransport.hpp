#pragma once

#include "DeskmapPlatform/Http/UrlRequest.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <variant>

namespace deskmap::platform {

using HttpOutcome = std::variant<UrlLoad, UrlError>;

// Sends requests on a thread of its own and reports each outcome, exactly
// once, through the given function (on that thread). Thread-safe.
class HttpTransport {
public:
    virtual ~HttpTransport() = default;
    virtual std::uint64_t submit(UrlRequest request, std::function<void(HttpOutcome)> complete) = 0;
    // Drops a transfer; its function is not called afterwards.
    virtual void cancel(std::uint64_t id) = 0;

protected:
    HttpTransport() = default;
    HttpTransport(const HttpTransport&) = default;
    HttpTransport& operator=(const HttpTransport&) = default;
};

// The libcurl transport, loaded from its module on first use. Throws UrlError
// when it cannot be loaded.
std::unique_ptr<HttpTransport> makeHttpTransport(std::size_t maximumBodyBytes);

} // namespace deskmap::platform
