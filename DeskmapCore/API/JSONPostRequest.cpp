#include "DeskmapCore/API/JSONPostRequest.hpp"

#include "DeskmapCore/Text/Unicode.hpp"

#include <nlohmann/json.hpp>

namespace deskmap {

platform::UrlRequest jsonPostRequest(const std::string& endpoint, const std::string& token,
                                     const nlohmann::json& body) {
    platform::UrlRequest request;
    request.url = endpoint;
    request.method = "POST";
    request.timeoutInterval = std::chrono::seconds(60);
    request.headers = {{"Authorization", "Bearer " + Unicode::trimmedWhitespaceAndNewlines(token)},
                       {"Content-Type", "application/json"}};
    request.body = body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return request;
}

} // namespace deskmap
