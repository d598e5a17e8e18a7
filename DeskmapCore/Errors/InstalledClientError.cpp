#include "DeskmapCore/Errors/InstalledClientError.hpp"

#include "DeskmapCore/Support/Overloaded.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

namespace deskmap {

namespace {

std::string describe(InstalledClient client, const InstalledClientError::Case& failure) {
    const std::string name(displayName(client));
    return std::visit(
        Overloaded{
            [&](const InstalledClientError::ExecutableNotFound&) {
                return texts::clientNotFound(name);
            },
            [&](const InstalledClientError::NotAuthenticated&) {
                return texts::clientNotSignedIn(name);
            },
            [&](const InstalledClientError::VerificationFailed& verification) {
                return texts::clientNotVerified(name, verification.reason);
            },
            [&](const InstalledClientError::TimedOut&) { return texts::clientTimedOut(name); },
            [&](const InstalledClientError::ProcessFailed& process) {
                return texts::clientFailed(name, process.status);
            },
            [&](const InstalledClientError::InvalidOutput& output) {
                return texts::clientInvalidResponse(name, output.reason);
            },
        },
        failure);
}

} // namespace

InstalledClientError::InstalledClientError(InstalledClient client, Case failure)
    : client_(client), failure_(std::move(failure)), description_(describe(client_, failure_)) {}

InstalledClientError InstalledClientError::executableNotFound(InstalledClient client) {
    return {client, ExecutableNotFound{}};
}
InstalledClientError InstalledClientError::notAuthenticated(InstalledClient client) {
    return {client, NotAuthenticated{}};
}
InstalledClientError InstalledClientError::verificationFailed(InstalledClient client,
                                                              std::string reason) {
    return {client, VerificationFailed{std::move(reason)}};
}
InstalledClientError InstalledClientError::timedOut(InstalledClient client) {
    return {client, TimedOut{}};
}
InstalledClientError InstalledClientError::processFailed(InstalledClient client,
                                                         std::int32_t status) {
    return {client, ProcessFailed{status}};
}
InstalledClientError InstalledClientError::invalidOutput(InstalledClient client,
                                                         std::string reason) {
    return {client, InvalidOutput{std::move(reason)}};
}

} // namespace deskmap
