#pragma once

#include <optional>
#include <string>

namespace deskmap::Endpoints {

inline constexpr const char* defaultOpenAIBaseURL = "https://api.openai.com";
inline constexpr const char* defaultOpenRouterBaseURL = "https://openrouter.ai";

// base + "/v1/responses"; an absent or empty base is the default one. A
// trailing slash of the base is dropped so the path is not doubled.
std::string responsesEndpoint(const std::optional<std::string>& baseURL);

// base + "/api/v1/chat/completions", likewise.
std::string chatCompletionsEndpoint(const std::optional<std::string>& baseURL);

// The same, with the base read from DESKMAP_OPENAI_BASE_URL and
// DESKMAP_OPENROUTER_BASE_URL.
std::string responsesEndpointFromEnvironment();
std::string chatCompletionsEndpointFromEnvironment();

} // namespace deskmap::Endpoints
