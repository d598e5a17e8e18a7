#include "DeskmapCore/Errors/InstalledClientError.hpp"

#include "DeskmapCore/Support/Overloaded.hpp"

namespace deskmap {

namespace {

std::string describe(InstalledClient client, const InstalledClientError::Case& failure) {
    const std::string name(displayName(client));
    return std::visit(
        Overloaded{
            [&](const InstalledClientError::ExecutableNotFound&) {
                return "Could not find the " + name + " executable. Install it and try again.";
            },
            [&](const InstalledClientError::NotAuthenticated&) {
                return name +
                       " is not signed in. Sign in with its command-line client, then check again.";
            },
            [&](const InstalledClientError::VerificationFailed& verification) {
                return "Could not verify " + name + ": " + verification.reason;
            },
            [&](const InstalledClientError::TimedOut&) { return name + " timed out. Try again."; },
            [&](const InstalledClientError::ProcessFailed& process) {
                return name + " exited with status " + std::to_string(process.status) +
                       ". Check its sign-in state and try again.";
            },
            [&](const InstalledClientError::InvalidOutput& output) {
                return name + " returned an invalid response: " + output.reason;
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
