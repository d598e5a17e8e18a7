#include "DeskmapCore/Errors/DeskmapError.hpp"

#include "DeskmapCore/Support/Overloaded.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

namespace deskmap {

namespace {

std::string describe(const DeskmapError::Case& failure) {
    return std::visit(
        Overloaded{
            [](const DeskmapError::Collection& error) {
                return texts::couldNotReadSpaces(error.message);
            },
            [](const DeskmapError::Transport& error) {
                return texts::requestFailed("OpenAI", error.message);
            },
            [](const DeskmapError::OpenRouterTransport& error) {
                return texts::requestFailed("OpenRouter", error.message);
            },
            [](const DeskmapError::Service& error) {
                return texts::serviceFailed("OpenAI", error.status, error.message);
            },
            [](const DeskmapError::OpenRouterService& error) {
                return texts::serviceFailed("OpenRouter", error.status, error.message);
            },
            [](const DeskmapError::InvalidResponse& error) {
                return texts::invalidResponse("OpenAI", error.message);
            },
            [](const DeskmapError::InvalidOpenRouterResponse& error) {
                return texts::invalidResponse("OpenRouter", error.message);
            },
            [](const DeskmapError::InstalledClientFailure& failure_) {
                return *failure_.error.errorDescription();
            },
            [](const DeskmapError::MissingCredential&) {
                return std::string(texts::openAIKeyRequired);
            },
            [](const DeskmapError::MissingOpenRouterCredential&) {
                return std::string(texts::openRouterKeyRequired);
            },
            [](const DeskmapError::LocalTransport& error) {
                return texts::localServerUnreachable(error.server, error.message);
            },
            [](const DeskmapError::LocalService& error) {
                return texts::localServerReplied(error.server, "returned HTTP " +
                                                                   std::to_string(error.status) +
                                                                   ": " + error.message);
            },
            [](const DeskmapError::InvalidLocalResponse& error) {
                return texts::localServerReplied(error.server,
                                                 "returned an invalid response: " + error.message);
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
DeskmapError DeskmapError::localTransport(std::string server, std::string message) {
    return DeskmapError(LocalTransport{std::move(server), std::move(message)});
}
DeskmapError DeskmapError::localService(std::string server, int status, std::string message) {
    return DeskmapError(LocalService{std::move(server), status, std::move(message)});
}
DeskmapError DeskmapError::invalidLocalResponse(std::string server, std::string message) {
    return DeskmapError(InvalidLocalResponse{std::move(server), std::move(message)});
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
