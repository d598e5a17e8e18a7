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
    request.headers = {{"Content-Type", "application/json"}};
    // A local server may take no key: then no Authorization is sent at all.
    if (const auto key = Unicode::trimmedWhitespaceAndNewlines(token); !key.empty()) {
        request.headers.insert(request.headers.begin(), {"Authorization", "Bearer " + key});
    }
    request.body = body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return request;
}

} // namespace deskmap
