#pragma once

#include "DeskmapCore/Http/HTTPDataLoading.hpp"
#include "DeskmapCore/Inventory/Inventory.hpp"
#include "DeskmapCore/Inventory/SummaryResult.hpp"
#include "DeskmapCore/Summary/APIProvider.hpp"

#include <nlohmann/json_fwd.hpp>

#include <asio/awaitable.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace deskmap {

// What tells the two HTTP summarizers apart; the rest of a summary run over
// HTTP is the same for both.
struct HTTPSummaryRoute {
    APIProvider provider;
    std::string model;
    std::string endpoint;
    std::string token;
    std::shared_ptr<HTTPDataLoading> loader;
    std::chrono::steady_clock::duration requestDeadline;
    // The request body for the minimized input, the instructions and the
    // model.
    std::function<nlohmann::json(const std::string&, std::string_view, const std::string&)>
        requestBody;
    // The model's text in a response body; throws the provider's DeskmapError.
    std::function<std::string(const std::string&)> outputText;
};

// Minimizes the inventory, posts it with the summary instructions, reads the
// model's text and validates it, resending once with the Latin instructions
// after an answer in non-Latin writing.
asio::awaitable<SummaryResult> summarizeOverHTTP(HTTPSummaryRoute route, Inventory inventory);

} // namespace deskmap
