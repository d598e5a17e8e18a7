#include "DeskmapCore/Errors/DeskmapError.hpp"

#include "DeskmapCore/Support/Overloaded.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

namespace deskmap {

namespace {

std::string describe(const DeskmapError::Case& failure) {
    return std::visit(Overloaded{
                          [](const DeskmapError::Collection& error) {
                              return texts::couldNotReadSpaces(error.message);
                          },
                          [](const DeskmapError::Transport& error) {
                              return "OpenAI request failed: " + error.message;
                          },
                          [](const DeskmapError::OpenRouterTransport& error) {
                              return "OpenRouter request failed: " + error.message;
                          },
                          [](const DeskmapError::Service& error) {
                              return "OpenAI returned HTTP " + std::to_string(error.status) + ": " +
                                     error.message;
                          },
                          [](const DeskmapError::OpenRouterService& error) {
                              return "OpenRouter returned HTTP " + std::to_string(error.status) +
                                     ": " + error.message;
                          },
                          [](const DeskmapError::InvalidResponse& error) {
                              return "OpenAI returned an invalid response: " + error.message;
                          },
                          [](const DeskmapError::InvalidOpenRouterResponse& error) {
                              return "OpenRouter returned an invalid response: " + error.message;
                          },
                          [](const DeskmapError::InstalledClientFailure& failure_) {
                              return *failure_.error.errorDescription();
                          },
                          [](const DeskmapError::MissingCredential&) {
                              return std::string("OPENAI_ACCESS_TOKEN is required for summarize.");
                          },
                          [](const DeskmapError::MissingOpenRouterCredential&) {
                              return std::string(
                                  "OPENROUTER_API_KEY is required for summarize with OpenRouter.");
                          },
                      },
                      failure);
}

} // namespace

DeskmapError::DeskmapError(Case failure)
    : failure_(std::move(failure)), description_(describe(failure_)) {}

DeskmapError DeskmapError::collection(std::string message) {
    return DeskmapError(Collection{std::move(message)});
}
DeskmapError DeskmapError::transport(std::string message) {
    return DeskmapError(Transport{std::move(message)});
}
DeskmapError DeskmapError::openRouterTransport(std::string message) {
    return DeskmapError(OpenRouterTransport{std::move(message)});
}
DeskmapError DeskmapError::service(int status, std::string message) {
    return DeskmapError(Service{status, std::move(message)});
}
DeskmapError DeskmapError::openRouterService(int status, std::string message) {
    return DeskmapError(OpenRouterService{status, std::move(message)});
}
DeskmapError DeskmapError::invalidResponse(std::string message) {
    return DeskmapError(InvalidResponse{std::move(message)});
}
DeskmapError DeskmapError::invalidOpenRouterResponse(std::string message) {
    return DeskmapError(InvalidOpenRouterResponse{std::move(message)});
}
DeskmapError DeskmapError::installedClient(InstalledClientError error) {
    return DeskmapError(InstalledClientFailure{std::move(error)});
}
DeskmapError DeskmapError::missingCredential() {
    return DeskmapError(MissingCredential{});
}
DeskmapError DeskmapError::missingOpenRouterCredential() {
    return DeskmapError(MissingOpenRouterCredential{});
}

} // namespace deskmap
