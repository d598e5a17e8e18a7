#include "DeskmapCore/API/HTTPSummaryRoute.hpp"

#include "DeskmapCore/API/JSONPostRequest.hpp"
#include "DeskmapCore/API/LocalServerAddress.hpp"
#include "DeskmapCore/Http/LoadResponse.hpp"
#include "DeskmapCore/Summary/LatinRetry.hpp"
#include "DeskmapCore/Summary/SummaryRequest.hpp"

#include <nlohmann/json.hpp>

namespace deskmap {

namespace {

asio::awaitable<std::string> send(std::shared_ptr<const HTTPSummaryRoute> route, std::string input,
                                  std::string_view instructions) {
    auto request = jsonPostRequest(route->endpoint, route->token,
                                   route->requestBody(input, instructions, route->model));
    // What a server on this computer is sent stays on it, whatever proxy
    // the environment names.
    if (route->provider.kind() == APIProvider::Kind::local) {
        const auto address = LocalServerAddress::parse(route->provider.server());
        request.direct = address && address->loopback;
    }
    auto loading = loadResponse(std::move(request), route->loader, route->provider,
                                route->requestDeadline, route->model);
    const auto body = co_await std::move(loading);
    co_return route->outputText(body);
}

} // namespace

asio::awaitable<SummaryResult> summarizeOverHTTP(HTTPSummaryRoute route, Inventory inventory) {
    auto shared = std::make_shared<const HTTPSummaryRoute>(std::move(route));
    auto input = SummaryRequest::minimizedInput(inventory, shared->provider);
    std::function<asio::awaitable<std::string>(std::string_view)> ask =
        [shared, input = std::move(input)](std::string_view instructions) {
            return send(shared, input, instructions);
        };
    // Awaitables are made in a statement of their own: GCC 12 destroys the
    // temporaries of a co_await expression twice.
    auto summarizing = summarizeWithLatinRetry(std::move(inventory), shared->model,
                                               shared->provider, std::move(ask));
    co_return co_await std::move(summarizing);
}

} // namespace deskmap
