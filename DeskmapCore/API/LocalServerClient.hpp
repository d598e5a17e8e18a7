#pragma once

#include "DeskmapCore/API/ChatCompletionsSummarizer.hpp"
#include "DeskmapCore/Errors/LocalizedError.hpp"
#include "DeskmapCore/Http/HTTPDataLoading.hpp"
#include "DeskmapCore/Inventory/SpaceSummarizing.hpp"
#include "DeskmapPlatform/Http/UrlSession.hpp"

#include <asio/awaitable.hpp>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace deskmap {

// A local server was asked to summarize without a model to run: it has no
// default of its own that Deskmap could name.
class LocalModelRequired final : public LocalizedError {
public:
    std::optional<std::string> errorDescription() const override;
    const char* what() const noexcept override;
};

// Summaries from a model server of the user's own that speaks the Chat
// Completions API, with a key or without one.
class LocalServerClient final : public SpaceSummarizing {
public:
    // `baseURL` as Endpoints::localBaseURL gives it; a blank `key` sends no
    // Authorization. Throws LocalModelRequired for a blank model.
    LocalServerClient(std::optional<std::string> key, const std::string& baseURL,
                      std::shared_ptr<platform::UrlSession> session,
                      std::chrono::steady_clock::duration requestDeadline, std::string model);

    asio::awaitable<SummaryResult> summarize(Inventory inventory) override;

    const ChatCompletionsSummarizer& client() const { return client_; }

    // The model ids the server lists (GET base/v1/models), in its order, the
    // ones that are no usable model name left out. Throws the local
    // provider's DeskmapError (naming the server) or CancellationError.
    static asio::awaitable<std::vector<std::string>>
    models(std::string baseURL, std::optional<std::string> key,
           std::shared_ptr<HTTPDataLoading> loader,
           std::chrono::steady_clock::duration deadline = std::chrono::seconds(10));

private:
    ChatCompletionsSummarizer client_;
};

} // namespace deskmap
