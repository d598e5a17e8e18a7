#pragma once

#include <optional>
#include <string>

namespace deskmap {

// Where a local model server's base URL points, as far as the user must know
// it: whether what is sent leaves this computer, to which host, and whether
// encrypted.
struct LocalServerAddress {
    std::string scheme; // "http" or "https"
    std::string host;   // as written, without brackets or port
    bool loopback = false;

    // An http or https URL with a host and no query or fragment (user
    // information is refused, so no password hides in a setting); nothing
    // otherwise.
    static std::optional<LocalServerAddress> parse(const std::string& url);

    // One sentence: nothing leaves the computer, or the host it goes to,
    // with a warning when plain HTTP carries it there.
    std::string reach() const;

    friend bool operator==(const LocalServerAddress&, const LocalServerAddress&) = default;
};

} // namespace deskmap
