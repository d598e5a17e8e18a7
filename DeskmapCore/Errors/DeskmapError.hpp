#pragma once

#include "DeskmapCore/Errors/InstalledClientError.hpp"
#include "DeskmapCore/Errors/LocalizedError.hpp"

#include <string>
#include <variant>

namespace deskmap {

// The one error the core reports: collection, the HTTP providers, an
// installed client, and missing credentials. Each case carries what its
// message needs; equal errors have the same case and equal payloads.
class DeskmapError : public LocalizedError {
public:
    struct Collection {
        std::string message;
        friend bool operator==(const Collection&, const Collection&) = default;
    };
    struct Transport {
        std::string message;
        friend bool operator==(const Transport&, const Transport&) = default;
    };
    struct OpenRouterTransport {
        std::string message;
        friend bool operator==(const OpenRouterTransport&, const OpenRouterTransport&) = default;
    };
    struct Service {
        int status = 0;
        std::string message;
        friend bool operator==(const Service&, const Service&) = default;
    };
    struct OpenRouterService {
        int status = 0;
        std::string message;
        friend bool operator==(const OpenRouterService&, const OpenRouterService&) = default;
    };
    struct InvalidResponse {
        std::string message;
        friend bool operator==(const InvalidResponse&, const InvalidResponse&) = default;
    };
    struct InvalidOpenRouterResponse {
        std::string message;
        friend bool operator==(const InvalidOpenRouterResponse&,
                               const InvalidOpenRouterResponse&) = default;
    };
    struct InstalledClientFailure {
        InstalledClientError error;
        friend bool operator==(const InstalledClientFailure&,
                               const InstalledClientFailure&) = default;
    };
    // A local model server: its address, and what went wrong.
    struct LocalTransport {
        std::string server;
        std::string message;
        friend bool operator==(const LocalTransport&, const LocalTransport&) = default;
    };
    struct LocalService {
        std::string server;
        int status = 0;
        std::string message;
        friend bool operator==(const LocalService&, const LocalService&) = default;
    };
    struct InvalidLocalResponse {
        std::string server;
        std::string message;
        friend bool operator==(const InvalidLocalResponse&, const InvalidLocalResponse&) = default;
    };
    struct MissingCredential {
        friend bool operator==(const MissingCredential&, const MissingCredential&) = default;
    };
    struct MissingOpenRouterCredential {
        friend bool operator==(const MissingOpenRouterCredential&,
                               const MissingOpenRouterCredential&) = default;
    };
    using Case =
        std::variant<Collection, Transport, OpenRouterTransport, Service, OpenRouterService,
                     InvalidResponse, InvalidOpenRouterResponse, InstalledClientFailure,
                     MissingCredential, MissingOpenRouterCredential, LocalTransport, LocalService,
                     InvalidLocalResponse>;

    explicit DeskmapError(Case failure);

    static DeskmapError collection(std::string message);
    static DeskmapError transport(std::string message);
    static DeskmapError openRouterTransport(std::string message);
    static DeskmapError service(int status, std::string message);
    static DeskmapError openRouterService(int status, std::string message);
    static DeskmapError invalidResponse(std::string message);
    static DeskmapError invalidOpenRouterResponse(std::string message);
    static DeskmapError installedClient(InstalledClientError error);
    static DeskmapError missingCredential();
    static DeskmapError missingOpenRouterCredential();
    static DeskmapError localTransport(std::string server, std::string message);
    static DeskmapError localService(std::string server, int status, std::string message);
    static DeskmapError invalidLocalResponse(std::string server, std::string message);

    const Case& failure() const { return failure_; }

    std::optional<std::string> errorDescription() const override { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    friend bool operator==(const DeskmapError& lhs, const DeskmapError& rhs) {
        return lhs.failure_ == rhs.failure_;
    }

private:
    Case failure_;
    std::string description_;
};

} // namespace deskmap
