#include "DeskmapCore/API/LocalServerClient.hpp"

#include "DeskmapCore/API/Endpoints.hpp"
#include "DeskmapCore/API/LocalServerAddress.hpp"
#include "DeskmapCore/Http/LoadResponse.hpp"
#include "DeskmapCore/Http/URLSessionDataLoader.hpp"
#include "DeskmapCore/Summary/ModelName.hpp"
#include "DeskmapCore/Text/Unicode.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace deskmap {

namespace {

constexpr std::size_t mostModelsListed = 500;

std::string required(std::string model) {
    if (Unicode::trimmedWhitespaceAndNewlines(model).empty()) {
        throw LocalModelRequired();
    }
    return model;
}

} // namespace

std::optional<std::string> LocalModelRequired::errorDescription() const {
    return std::string(texts::localModelRequired);
}

const char* LocalModelRequired::what() const noexcept {
    return texts::localModelRequired;
}

LocalServerClient::LocalServerClient(std::optional<std::string> key, const std::string& baseURL,
                                     std::shared_ptr<platform::UrlSession> session,
                                     std::chrono::steady_clock::duration requestDeadline,
                                     std::string model)
    : client_(key.value_or(""), Endpoints::localChatCompletionsEndpoint(baseURL),
              std::make_shared<URLSessionDataLoader>(std::move(session)), requestDeadline,
              required(std::move(model)), APIProvider::local(baseURL)) {}

asio::awaitable<SummaryResult> LocalServerClient::summarize(Inventory inventory) {
    auto summarizing = client_.summarize(std::move(inventory));
    co_return co_await std::move(summarizing);
}

asio::awaitable<std::vector<std::string>>
LocalServerClient::models(std::string baseURL, std::optional<std::string> key,
                          std::shared_ptr<HTTPDataLoading> loader,
                          std::chrono::steady_clock::duration deadline) {
    platform::UrlRequest request;
    request.url = Endpoints::localModelsEndpoint(baseURL);
    request.method = "GET";
    request.timeoutInterval = std::chrono::duration_cast<std::chrono::milliseconds>(deadline);
    const auto address = LocalServerAddress::parse(baseURL);
    request.direct = address && address->loopback;
    if (key && !Unicode::trimmedWhitespaceAndNewlines(*key).empty()) {
        request.headers.emplace_back("Authorization",
                                     "Bearer " + Unicode::trimmedWhitespaceAndNewlines(*key));
    }
    const auto provider = APIProvider::local(baseURL);
    auto loading = loadResponse(std::move(request), std::move(loader), provider, deadline);
    const auto body = co_await std::move(loading);

    // {"object": "list", "data": [{"id": "…"}, …]}, as the OpenAI API lists.
    const auto document = nlohmann::json::parse(body, nullptr, false);
    if (!document.is_object() || !document.contains("data") || !document["data"].is_array()) {
        throw provider.invalidResponse("the model list is not a list of models");
    }
    std::vector<std::string> models;
    for (const auto& entry : document["data"]) {
        if (!entry.is_object() || !entry.contains("id") || !entry["id"].is_string()) {
            continue;
        }
        // A server's words are outside text: only names fit for a request.
        const auto& id = entry["id"].get_ref<const std::string&>();
        if (isUsableModelName(id) && std::find(models.begin(), models.end(), id) == models.end() &&
            models.size() < mostModelsListed) {
            models.push_back(id);
        }
    }
    co_return models;
}

} // namespace deskmap
