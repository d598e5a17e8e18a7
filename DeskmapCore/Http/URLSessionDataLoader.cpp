#include "DeskmapCore/Http/URLSessionDataLoader.hpp"

namespace deskmap {

URLSessionDataLoader::URLSessionDataLoader(std::shared_ptr<platform::UrlSession> session)
    : session_(std::move(session)) {}

asio::awaitable<HTTPDataLoad> URLSessionDataLoader::data(platform::UrlRequest request) {
    auto session = session_; // keeps the session alive for the whole load
    auto loading = session->data(std::move(request));
    auto load = co_await std::move(loading);
    co_return HTTPDataLoad{std::move(load.body), load.response};
}

} // namespace deskmap
