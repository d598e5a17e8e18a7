#include "DeskmapCore/API/LocalServerClient.hpp"

#include "DeskmapCore/API/Endpoints.hpp"
#include "DeskmapCore/Http/LoadResponse.hpp"
#include "DeskmapCore/Http/URLSessionDataLoader.hpp"
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

// A model id that can go into a request as it stands: one short line.
bool usableModelName(const std::string& id) {
    return !id.empty() && id.size() <= 200 && Unicode::trimmedWhitespaceAndNewlines(id) == id &&
           std::none_of(id.begin(), id.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
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
        auto id = Unicode::repairedUTF8(entry["id"].get<std::string>());
        if (usableModelName(id) && std::find(models.begin(), models.end(), id) == models.end() &&
            models.size() < mostModelsListed) {
            models.push_back(std::move(id));
        }
    }
    co_return models;
}

} // namespace deskmap
