#include "DeskmapCore/API/LunaClient.hpp"

#include "DeskmapCore/HTTP/URLSessionDataLoader.hpp"
#include "DeskmapCore/Text/Unicode.hpp"

namespace deskmap {

namespace {

std::string requirePresent(std::string token) {
    if (Unicode::trimmedWhitespaceAndNewlines(token).empty()) {
        throw DeskmapError::missingCredential();
    }
    return token;
}

} // namespace

LunaClient::LunaClient(std::string token, std::string endpoint,
                       std::shared_ptr<platform::UrlSession> session,
                       std::chrono::steady_clock::duration requestDeadline)
    : client_(requirePresent(std::move(token)), std::move(endpoint),
              std::make_shared<URLSessionDataLoader>(std::move(session)), requestDeadline) {}

asio::awaitable<SummaryResult> LunaClient::summarize(Inventory inventory) {
    auto summarizing = client_.summarize(std::move(inventory));
    co_return co_await std::move(summarizing);
}

} // namespace deskmap
