#pragma once

#include "DeskmapPlatform/UserDefaults/UserDefaults.hpp"

#include <optional>
#include <string>
#include <vector>

namespace deskmap::cli {

// What every command needs to reach the local server: where it is
// (DESKMAP_LOCAL_BASE_URL, else the setting, else the default), its key
// (DESKMAP_LOCAL_API_KEY only; none is fine), and its models.
struct LocalServerOptions {
    std::string baseURL;
    std::optional<std::string> key;
    // Set when DESKMAP_LOCAL_BASE_URL holds no usable address: it is passed
    // over, and the user told why.
    std::optional<std::string> notice;

    static LocalServerOptions load(const platform::UserDefaults& settings);

    // The models the server lists; throws its DeskmapError, or
    // CancellationError on Ctrl-C.
    std::vector<std::string> models() const;
};

} // namespace deskmap::cli
