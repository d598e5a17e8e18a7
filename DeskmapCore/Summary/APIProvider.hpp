#pragma once

#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapCore/InstalledClients/InstalledClient.hpp"

#include <optional>
#include <string>

namespace deskmap {

// The route a summary request takes, so that failures raised in shared code
// are reported as that provider's errors.
class APIProvider {
public:
    enum class Kind { installedClient, openAI, openRouter, local };

    static APIProvider openAI() { return APIProvider(Kind::openAI, std::nullopt); }
    static APIProvider openRouter() { return APIProvider(Kind::openRouter, std::nullopt); }
    static APIProvider installedClient(InstalledClient client) {
        return APIProvider(Kind::installedClient, client);
    }
    // A local model server, named in its errors by `server` (its base URL).
    static APIProvider local(std::string server) {
        APIProvider provider(Kind::local, std::nullopt);
        provider.server_ = std::move(server);
        return provider;
    }

    Kind kind() const { return kind_; }
    // The client of an installedClient route.
    std::optional<InstalledClient> client() const { return client_; }
    // The base URL of a local route.
    const std::string& server() const { return server_; }

    // The provider's error for an answer that cannot be used.
    DeskmapError invalidResponse(std::string message) const;
    // The provider's error for a request that did not complete.
    DeskmapError transportFailure(std::string message) const;
    // The provider's error for a non-success HTTP status.
    DeskmapError serviceFailure(int status, std::string message) const;

    friend bool operator==(const APIProvider&, const APIProvider&) = default;

private:
    APIProvider(Kind kind, std::optional<InstalledClient> client) : kind_(kind), client_(client) {}

    Kind kind_;
    std::optional<InstalledClient> client_;
    std::string server_;
};

} // namespace deskmap
