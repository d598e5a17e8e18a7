#include "DeskmapCore/InstalledClients/InstalledClientVerifier.hpp"

#include "DeskmapCore/Errors/InstalledClientError.hpp"
#include "DeskmapCore/InstalledClients/ClientProcess.hpp"
#include "DeskmapCore/Text/Unicode.hpp"
#include "DeskmapPlatform/Json/JSONField.hpp"

#include <nlohmann/json.hpp>

namespace deskmap {

using platform::JSONDecodingError;
using platform::JSONField;
using platform::parseJSONDocument;

namespace {

std::vector<std::string> statusArguments(InstalledClient client) {
    switch (client) {
    case InstalledClient::codex:
        return {"login", "status"};
    case InstalledClient::cursor:
        return {"status", "--format", "json"};
    }
    return {};
}

// Codex prints one of two known lines, on either stream.
void judgeCodexStatus(const InstalledClientProcessResult& result) {
    std::vector<std::string> texts;
    for (const auto* stream : {&result.standardOutput, &result.standardError}) {
        auto text = Unicode::trimmedWhitespaceAndNewlines(Unicode::repairedUTF8(*stream));
        if (!text.empty()) {
            texts.push_back(std::move(text));
        }
    }
    if (texts == std::vector<std::string>{"Not logged in"}) {
        throw InstalledClientError::notAuthenticated(InstalledClient::codex);
    }
    if (texts != std::vector<std::string>{"Logged in using ChatGPT"}) {
        throw InstalledClientError::verificationFailed(InstalledClient::codex,
                                                       "the status response was not recognized");
    }
}

// The Cursor agent prints {"isAuthenticated": true|false, ...} on stdout.
void judgeCursorStatus(const InstalledClientProcessResult& result) {
    bool authenticated = false;
    try {
        const auto document = parseJSONDocument(result.standardOutput);
        authenticated = JSONField(document).member("isAuthenticated").boolean();
    } catch (const JSONDecodingError&) {
        throw InstalledClientError::verificationFailed(InstalledClient::cursor,
                                                       "the status response was malformed");
    }
    if (!authenticated) {
        throw InstalledClientError::notAuthenticated(InstalledClient::cursor);
    }
}

} // namespace

InstalledClientVerifier::InstalledClientVerifier(
    InstalledClientExecutableLocator locator, std::shared_ptr<InstalledClientProcessRunning> runner,
    std::chrono::duration<double> statusTimeout)
    : locator_(std::move(locator)), runner_(std::move(runner)), statusTimeout_(statusTimeout) {}

asio::awaitable<void> InstalledClientVerifier::verify(InstalledClient client) const {
    const auto executable = locator_.locate(client);
    if (!executable) {
        throw InstalledClientError::executableNotFound(client);
    }
    auto running =
        runClientProcess(runner_,
                         InstalledClientProcessRequest{*executable, statusArguments(client),
                                                       std::nullopt, std::nullopt, statusTimeout_},
                         client, "the status command could not run");
    const auto result = co_await std::move(running);
    if (result.status != 0) {
        throw InstalledClientError::verificationFailed(client, "the status command failed");
    }
    if (client == InstalledClient::codex) {
        judgeCodexStatus(result);
    } else {
        judgeCursorStatus(result);
    }
}

} // namespace deskmap
