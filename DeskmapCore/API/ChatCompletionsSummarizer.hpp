#pragma once

#include "DeskmapCore/Http/HTTPDataLoading.hpp"
#include "DeskmapCore/Http/LoadResponse.hpp"
#include "DeskmapCore/Inventory/Inventory.hpp"
#include "DeskmapCore/Inventory/SummaryResult.hpp"
#include "DeskmapCore/Summary/APIProvider.hpp"

#include <nlohmann/json_fwd.hpp>

#include <asio/awaitable.hpp>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace deskmap {

// Summaries from a Chat Completions API: one request with structured output
// (on OpenRouter also restricted upstream providers), and one resend when the
// answer is in non-Latin writing. OpenRouter's unless another provider, a
// local server, is given.
class ChatCompletionsSummarizer {
public:
    // Unless the user chose another.
    static constexpr const char* defaultModel = "deepseek/deepseek-v4-flash-0731";

    ChatCompletionsSummarizer(
        std::string token, std::string endpoint, std::shared_ptr<HTTPDataLoading> loader,
        std::chrono::steady_clock::duration requestDeadline = defaultRequestDeadline,
        std::string model = defaultModel, APIProvider provider = APIProvider::openRouter());

    // Throws DeskmapError (the provider's cases) or CancellationError.
    asio::awaitable<SummaryResult> summarize(Inventory inventory) const;

    static nlohmann::json requestBody(const std::string& input, std::string_view instructions,
                                      const std::string& model = defaultModel);
    // The same without what only OpenRouter reads (its routing and
    // reasoning switches), for a local server.
    static nlohmann::json localRequestBody(const std::string& input, std::string_view instructions,
                                           const std::string& model);

    // The one choice's content, when it finished with "stop". Throws the
    // provider's DeskmapError.
    static std::string outputText(const std::string& body,
                                  const APIProvider& provider = APIProvider::openRouter());

    const std::string& token() const { return token_; }
    const std::string& endpoint() const { return endpoint_; }
    std::chrono::steady_clock::duration requestDeadline() const { return requestDeadline_; }
    const std::string& model() const { return model_; }
    const APIProvider& provider() const { return provider_; }

private:
    std::string token_;
    std::string endpoint_;
    std::shared_ptr<HTTPDataLoading> loader_;
    std::chrono::steady_clock::duration requestDeadline_;
    std::string model_;
    APIProvider provider_;
};

} // namespace deskmap
