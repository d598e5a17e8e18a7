#pragma once

#include "DeskmapCore/Http/HTTPDataLoading.hpp"
#include "DeskmapPlatform/Http/UrlSession.hpp"

#include <memory>

namespace deskmap {

// Loads through a platform URL session, which it keeps alive.
class URLSessionDataLoader final : public HTTPDataLoading {
public:
    explicit URLSessionDataLoader(std::shared_ptr<platform::UrlSession> session);

    asio::awaitable<HTTPDataLoad> data(platform::UrlRequest request) override;

    const std::shared_ptr<platform::UrlSession>& session() const { return session_; }

private:
    std::shared_ptr<platform::UrlSession> session_;
};

} // namespace deskmap
