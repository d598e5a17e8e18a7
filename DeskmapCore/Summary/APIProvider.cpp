#include "DeskmapCore/Summary/APIProvider.hpp"

namespace deskmap {

// An installed client never goes through HTTP; should it ever, every failure
// reads as an invalid answer from that client.
DeskmapError APIProvider::invalidResponse(std::string message) const {
    switch (kind_) {
    case Kind::openAI:
        return DeskmapError::invalidResponse(std::move(message));
    case Kind::openRouter:
        return DeskmapError::invalidOpenRouterResponse(std::move(message));
    case Kind::local:
        return DeskmapError::invalidLocalResponse(server_, std::move(message));
    case Kind::installedClient:
        break;
    }
    return DeskmapError::installedClient(
        InstalledClientError::invalidOutput(*client_, std::move(message)));
}

DeskmapError APIProvider::transportFailure(std::string message) const {
    switch (kind_) {
    case Kind::openAI:
        return DeskmapError::transport(std::move(message));
    case Kind::openRouter:
        return DeskmapError::openRouterTransport(std::move(message));
    case Kind::local:
        return DeskmapError::localTransport(server_, std::move(message));
    case Kind::installedClient:
        break;
    }
    return invalidResponse(std::move(message));
}

DeskmapError APIProvider::serviceFailure(int status, std::string message) const {
    switch (kind_) {
    case Kind::openAI:
        return DeskmapError::service(status, std::move(message));
    case Kind::openRouter:
        return DeskmapError::openRouterService(status, std::move(message));
    case Kind::local:
        return DeskmapError::localService(server_, status, std::move(message));
    case Kind::installedClient:
        break;
    }
    return invalidResponse("HTTP " + std::to_string(status) + ": " + message);
}

} // namespace deskmap
