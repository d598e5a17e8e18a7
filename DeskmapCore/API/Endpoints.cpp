#include "DeskmapCore/API/Endpoints.hpp"

#include "DeskmapCore/API/LocalServerAddress.hpp"

#include <cstdlib>

namespace deskmap::Endpoints {

namespace {

std::string joined(const std::optional<std::string>& baseURL, const char* fallback,
                   const char* path) {
    std::string base = baseURL && !baseURL->empty() ? *baseURL : fallback;
    while (!base.empty() && base.back() == '/') {
        base.pop_back();
    }
    return base + path;
}

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

} // namespace

std::string responsesEndpoint(const std::optional<std::string>& baseURL) {
    return joined(baseURL, defaultOpenAIBaseURL, "/v1/responses");
}

std::string chatCompletionsEndpoint(const std::optional<std::string>& baseURL) {
    return joined(baseURL, defaultOpenRouterBaseURL, "/api/v1/chat/completions");
}

std::string localBaseURL(const std::optional<std::string>& stored) {
    // An address that is no usable URL is passed over, as in the settings.
    auto chosen = environment("DESKMAP_LOCAL_BASE_URL");
    if (!chosen || !LocalServerAddress::parse(*chosen)) {
        chosen = stored;
    }
    return joined(chosen, defaultLocalBaseURL, "");
}

std::string localChatCompletionsEndpoint(const std::string& baseURL) {
    return joined(baseURL, defaultLocalBaseURL, "/v1/chat/completions");
}

std::string localModelsEndpoint(const std::string& baseURL) {
    return joined(baseURL, defaultLocalBaseURL, "/v1/models");
}

std::string responsesEndpointFromEnvironment() {
    return responsesEndpoint(environment("DESKMAP_OPENAI_BASE_URL"));
}

std::string chatCompletionsEndpointFromEnvironment() {
    return chatCompletionsEndpoint(environment("DESKMAP_OPENROUTER_BASE_URL"));
}

} // namespace deskmap::Endpoints
