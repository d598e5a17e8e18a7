#pragma once

#include <optional>
#include <string>

namespace deskmap::Endpoints {

inline constexpr const char* defaultOpenAIBaseURL = "https://api.openai.com";
inline constexpr const char* defaultOpenRouterBaseURL = "https://openrouter.ai";
// The port of the most common local model server; any server that speaks the
// Chat Completions API will do.
inline constexpr const char* defaultLocalBaseURL = "http://127.0.0.1:11434";

// base + "/v1/responses"; an absent or empty base is the default one. A
// trailing slash of the base is dropped so the path is not doubled.
std::string responsesEndpoint(const std::optional<std::string>& baseURL);

// base + "/api/v1/chat/completions", likewise.
std::string chatCompletionsEndpoint(const std::optional<std::string>& baseURL);

// The same, with the base read from DESKMAP_OPENAI_BASE_URL and
// DESKMAP_OPENROUTER_BASE_URL.
std::string responsesEndpointFromEnvironment();
std::string chatCompletionsEndpointFromEnvironment();

// A local server's base URL: DESKMAP_LOCAL_BASE_URL when it is a usable
// address (LocalServerAddress), else `stored` (the setting) when not empty,
// else the default; without a trailing slash.
std::string localBaseURL(const std::optional<std::string>& stored);
// base + "/v1/chat/completions" and base + "/v1/models".
std::string localChatCompletionsEndpoint(const std::string& baseURL);
std::string localModelsEndpoint(const std::string& baseURL);

} // namespace deskmap::Endpoints
