#pragma once

#include "DeskmapCore/API/ChatCompletionsSummarizer.hpp"
#include "DeskmapCore/Inventory/SpaceSummarizing.hpp"
#include "DeskmapPlatform/Http/UrlSession.hpp"

#include <memory>
#include <string>

namespace deskmap {

// The OpenRouter summarizer as the rest of the system sees it.
class OpenRouterClient final : public SpaceSummarizing {
public:
    static constexpr const char* model = ChatCompletionsSummarizer::defaultModel;

    // The Chat Completions endpoint, from DESKMAP_OPENROUTER_BASE_URL when
    // set; read on every call, as the OpenAI endpoint is.
    static std::string endpoint();

    // Throws DeskmapError::missingOpenRouterCredential when the token is
    // blank after trimming white space and line breaks; keeps it as given.
    OpenRouterClient(std::string token, std::string endpoint,
                     std::shared_ptr<platform::UrlSession> session,
                     std::chrono::steady_clock::duration requestDeadline = defaultRequestDeadline,
                     std::string chosenModel = model);

    asio::awaitable<SummaryResult> summarize(Inventory inventory) override;

    const ChatCompletionsSummarizer& client() const { return client_; }

private:
    ChatCompletionsSummarizer client_;
};

} // namespace deskmap
