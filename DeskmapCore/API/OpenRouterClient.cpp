#include "DeskmapCore/API/OpenRouterClient.hpp"

#include "DeskmapCore/API/Credential.hpp"
#include "DeskmapCore/API/Endpoints.hpp"
#include "DeskmapCore/Http/URLSessionDataLoader.hpp"

namespace deskmap {

std::string OpenRouterClient::endpoint() {
    return Endpoints::chatCompletionsEndpointFromEnvironment();
}

OpenRouterClient::OpenRouterClient(std::string token, std::string endpoint_,
                                   std::shared_ptr<platform::UrlSession> session,
                                   std::chrono::steady_clock::duration requestDeadline,
                                   std::string chosenModel)
    : client_(
          requireUsableCredential(std::move(token), DeskmapError::missingOpenRouterCredential()),
          std::move(endpoint_), std::make_shared<URLSessionDataLoader>(std::move(session)),
          requestDeadline, std::move(chosenModel)) {}

asio::awaitable<SummaryResult> OpenRouterClient::summarize(Inventory inventory) {
    auto summarizing = client_.summarize(std::move(inventory));
    co_return co_await std::move(summarizing);
}

} // namespace deskmap
