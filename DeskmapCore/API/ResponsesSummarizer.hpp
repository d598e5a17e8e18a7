#pragma once

#include "DeskmapCore/Http/HTTPDataLoading.hpp"
#include "DeskmapCore/Http/LoadResponse.hpp"
#include "DeskmapCore/Inventory/Inventory.hpp"
#include "DeskmapCore/Inventory/SummaryResult.hpp"

#include <nlohmann/json_fwd.hpp>

#include <asio/awaitable.hpp>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace deskmap {

// Summaries from the Responses API: one request with structured output, and
// one resend when the answer is in non-Latin writing.
class ResponsesSummarizer {
public:
    // Unless the user chose another.
    static constexpr const char* defaultModel = "gpt-5.6-luna";

    ResponsesSummarizer(
        std::string token, std::string endpoint, std::shared_ptr<HTTPDataLoading> loader,
        std::chrono::steady_clock::duration requestDeadline = defaultRequestDeadline,
        std::string model = defaultModel);

    // Throws DeskmapError (openAI cases) or CancellationError.
    asio::awaitable<SummaryResult> summarize(Inventory inventory) const;

    // The request body for the minimized input and instructions.
    static nlohmann::json requestBody(const std::string& input, std::string_view instructions,
                                      const std::string& model = defaultModel);

    // The text the answer carries: a non-empty "output_text", else the first
    // non-empty "output_text" part inside "output". Throws DeskmapError.
    static std::string outputText(const std::string& body);

    const std::string& token() const { return token_; }
    const std::string& endpoint() const { return endpoint_; }
    std::chrono::steady_clock::duration requestDeadline() const { return requestDeadline_; }
    const std::string& model() const { return model_; }

private:
    std::string token_;
    std::string endpoint_;
    std::shared_ptr<HTTPDataLoading> loader_;
    std::chrono::steady_clock::duration requestDeadline_;
    std::string model_;
};

} // namespace deskmap
