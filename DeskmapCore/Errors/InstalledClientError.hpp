#pragma once

#include "DeskmapCore/Errors/LocalizedError.hpp"
#include "DeskmapCore/InstalledClients/InstalledClient.hpp"

#include <cstdint>
#include <string>
#include <variant>

namespace deskmap {

// A failure of an installed command-line client; every case names its client.
class InstalledClientError : public LocalizedError {
public:
    struct ExecutableNotFound {
        friend bool operator==(const ExecutableNotFound&, const ExecutableNotFound&) = default;
    };
    struct NotAuthenticated {
        friend bool operator==(const NotAuthenticated&, const NotAuthenticated&) = default;
    };
    struct VerificationFailed {
        std::string reason;
        friend bool operator==(const VerificationFailed&, const VerificationFailed&) = default;
    };
    struct TimedOut {
        friend bool operator==(const TimedOut&, const TimedOut&) = default;
    };
    struct ProcessFailed {
        std::int32_t status = 0;
        friend bool operator==(const ProcessFailed&, const ProcessFailed&) = default;
    };
    struct InvalidOutput {
        std::string reason;
        friend bool operator==(const InvalidOutput&, const InvalidOutput&) = default;
    };
    using Case = std::variant<ExecutableNotFound, NotAuthenticated, VerificationFailed, TimedOut,
                              ProcessFailed, InvalidOutput>;

    InstalledClientError(InstalledClient client, Case failure);

    static InstalledClientError executableNotFound(InstalledClient client);
    static InstalledClientError notAuthenticated(InstalledClient client);
    static InstalledClientError verificationFailed(InstalledClient client, std::string reason);
    static InstalledClientError timedOut(InstalledClient client);
    static InstalledClientError processFailed(InstalledClient client, std::int32_t status);
    static InstalledClientError invalidOutput(InstalledClient client, std::string reason);

    InstalledClient client() const { return client_; }
    const Case& failure() const { return failure_; }

    std::optional<std::string> errorDescription() const override { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    friend bool operator==(const InstalledClientError& lhs, const InstalledClientError& rhs) {
        return lhs.client_ == rhs.client_ && lhs.failure_ == rhs.failure_;
    }

private:
    InstalledClient client_;
    Case failure_;
    std::string description_;
};

} // namespace deskmap
