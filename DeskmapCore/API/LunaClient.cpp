#include "DeskmapCore/API/LunaClient.hpp"

#include "DeskmapCore/API/Credential.hpp"
#include "DeskmapCore/Http/URLSessionDataLoader.hpp"

namespace deskmap {

LunaClient::LunaClient(std::string token, std::string endpoint,
                       std::shared_ptr<platform::UrlSession> session,
                       std::chrono::steady_clock::duration requestDeadline, std::string chosenModel)
    : client_(requireUsableCredential(std::move(token), DeskmapError::missingCredential()),
              std::move(endpoint), std::make_shared<URLSessionDataLoader>(std::move(session)),
              requestDeadline, std::move(chosenModel)) {}

asio::awaitable<SummaryResult> LunaClient::summarize(Inventory inventory) {
    auto summarizing = client_.summarize(std::move(inventory));
    co_return co_await std::move(summarizing);
}

} // namespace deskmap
