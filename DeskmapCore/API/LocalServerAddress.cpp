#include "DeskmapCore/API/LocalServerAddress.hpp"

#include "DeskmapCore/Text/DisplayText.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>

namespace deskmap {

namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool isLoopback(const std::string& host) {
    if (host == "localhost" || (host.size() > 10 && host.ends_with(".localhost"))) {
        return true;
    }
    in_addr v4{};
    if (::inet_pton(AF_INET, host.c_str(), &v4) == 1) {
        return (ntohl(v4.s_addr) >> 24) == 127;
    }
    in6_addr v6{};
    if (::inet_pton(AF_INET6, host.c_str(), &v6) == 1) {
        // ::1, and an IPv4 loopback address written as IPv6 (::ffff:127.0.0.1).
        return IN6_IS_ADDR_LOOPBACK(&v6) != 0 ||
               (IN6_IS_ADDR_V4MAPPED(&v6) != 0 && v6.s6_addr[12] == 127);
    }
    return false;
}

} // namespace

std::optional<LocalServerAddress> LocalServerAddress::parse(const std::string& url) {
    const auto separator = url.find("://");
    if (separator == std::string::npos) {
        return std::nullopt;
    }
    LocalServerAddress address;
    address.scheme = lowered(url.substr(0, separator));
    if (address.scheme != "http" && address.scheme != "https") {
        return std::nullopt;
    }
    const auto rest = url.substr(separator + 3);
    // A query or fragment would end up before the API's own path.
    if (rest.find_first_of("?#") != std::string::npos) {
        return std::nullopt;
    }
    const auto authority = rest.substr(0, rest.find('/'));
    if (authority.find('@') != std::string::npos ||
        std::any_of(authority.begin(), authority.end(),
                    [](unsigned char c) { return c <= 0x20 || c == 0x7F || c == '\\'; })) {
        return std::nullopt;
    }
    std::string port;
    if (authority.starts_with("[")) {
        const auto close = authority.find(']');
        if (close == std::string::npos) {
            return std::nullopt;
        }
        address.host = authority.substr(1, close - 1);
        const auto after = authority.substr(close + 1);
        if (!after.empty() && after.front() != ':') {
            return std::nullopt;
        }
        port = after.empty() ? "" : after.substr(1);
    } else {
        const auto colon = authority.rfind(':');
        address.host = authority.substr(0, colon);
        port = colon == std::string::npos ? "" : authority.substr(colon + 1);
    }
    if (address.host.empty() || port.size() > 5 ||
        !std::all_of(port.begin(), port.end(), [](unsigned char c) { return std::isdigit(c); })) {
        return std::nullopt;
    }
    address.host = lowered(address.host);
    address.loopback = isLoopback(address.host);
    return address;
}

std::string LocalServerAddress::reach() const {
    if (loopback) {
        return texts::localServerOnThisComputer;
    }
    const auto shown = DisplayText::shown(host, 80);
    return scheme == "https" ? texts::localServerElsewhere(shown)
                             : texts::localServerElsewhereUnencrypted(shown);
}

} // namespace deskmap
