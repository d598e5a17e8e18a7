#include "DeskmapCore/InstalledClients/InstalledClient.hpp"

namespace deskmap {

std::string_view rawValue(InstalledClient client) {
    switch (client) {
    case InstalledClient::codex:
        return "codex";
    case InstalledClient::cursor:
        return "cursor";
    }
    return "codex";
}

std::optional<InstalledClient> installedClientFromRawValue(std::string_view raw) {
    for (const auto client : allInstalledClients) {
        if (rawValue(client) == raw) {
            return client;
        }
    }
    return std::nullopt;
}

std::string_view displayName(InstalledClient client) {
    switch (client) {
    case InstalledClient::codex:
        return "Codex";
    case InstalledClient::cursor:
        return "Cursor Agent";
    }
    return "Codex";
}

std::string_view model(InstalledClient client) {
    switch (client) {
    case InstalledClient::codex:
        return "gpt-5.6-luna";
    case InstalledClient::cursor:
        return "gpt-5.6-luna-none";
    }
    return "gpt-5.6-luna";
}

std::vector<std::string> executableNames(InstalledClient client) {
    switch (client) {
    case InstalledClient::codex:
        return {"codex"};
    case InstalledClient::cursor:
        return {"agent"};
    }
    return {};
}

} // namespace deskmap
