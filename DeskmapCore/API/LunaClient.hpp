#pragma once

#include "DeskmapCore/API/ResponsesSummarizer.hpp"
#include "DeskmapCore/Inventory/SpaceSummarizing.hpp"
#include "DeskmapPlatform/Http/UrlSession.hpp"

#include <memory>
#include <string>

namespace deskmap {

// The OpenAI summarizer as the rest of the system sees it.
class LunaClient final : public SpaceSummarizing {
public:
    static constexpr const char* model = ResponsesSummarizer::defaultModel;

    // Throws DeskmapError::missingCredential when the token is blank after
    // trimming white space and line breaks; keeps the token as given.
    LunaClient(std::string token, std::string endpoint,
               std::shared_ptr<platform::UrlSession> session,
               std::chrono::steady_clock::duration requestDeadline = defaultRequestDeadline,
               std::string chosenModel = model);

    asio::awaitable<SummaryResult> summarize(Inventory inventory) override;

    const ResponsesSummarizer& client() const { return client_; }

private:
    ResponsesSummarizer client_;
};

} // namespace deskmap
