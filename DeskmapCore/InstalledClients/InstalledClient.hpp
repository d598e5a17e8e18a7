#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace deskmap {

// The supported locally installed command-line clients.
enum class InstalledClient { codex, cursor };

// Every client, in the order pickers show them.
inline constexpr std::array<InstalledClient, 2> allInstalledClients{InstalledClient::codex,
                                                                    InstalledClient::cursor};

// "codex" or "cursor"; also the client's identifier.
std::string_view rawValue(InstalledClient client);

// Only the exact raw values (case-sensitive) name a client.
std::optional<InstalledClient> installedClientFromRawValue(std::string_view raw);

std::string_view displayName(InstalledClient client);

// The model passed to the client and reported as the model of its summaries.
std::string_view model(InstalledClient client);

// The executable names searched for the client (the Cursor client's
// executable is "agent").
std::vector<std::string> executableNames(InstalledClient client);

} // namespace deskmap

template <> struct std::hash<deskmap::InstalledClient> {
    std::size_t operator()(deskmap::InstalledClient client) const noexcept {
        return std::hash<std::string_view>{}(deskmap::rawValue(client));
    }
};
