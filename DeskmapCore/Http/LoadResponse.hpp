#pragma once

#include "DeskmapCore/Http/HTTPDataLoading.hpp"
#include "DeskmapCore/Summary/APIProvider.hpp"

#include <asio/awaitable.hpp>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace deskmap {

inline constexpr std::chrono::seconds defaultRequestDeadline{60};

// Sends `request` once through `loader`, bounded by `deadline`, and returns
// the body of a 2xx HTTP answer. Every failure is the provider's DeskmapError:
// "request timed out" when the deadline passes, the loader's own description
// for a request that did not complete, "the response was not HTTP", or the
// status with "request was rejected". Cancellation is CancellationError,
// never a provider error.
// Bodies of failed requests are discarded, with one exception: when the
// server refuses `model` (HTTP 400 or 404 with an error message naming it),
// its message, shown safely and capped at 200 characters, tells the user
// which setting to fix.
asio::awaitable<std::string> loadResponse(platform::UrlRequest request,
                                          std::shared_ptr<HTTPDataLoading> loader,
                                          APIProvider provider,
                                          std::chrono::steady_clock::duration deadline,
                                          std::optional<std::string> model = std::nullopt);

// The server's message when an error body of status `status` refuses
// `model`; nothing otherwise.
std::optional<std::string> modelRefusal(int status, const std::string& body,
                                        const std::string& model);

} // namespace deskmap
