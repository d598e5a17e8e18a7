#pragma once

#include "DeskmapPlatform/UserDefaults/UserDefaults.hpp"

#include <iosfwd>
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

    // The models of the server the user's settings name, never none: its
    // notice (if any) goes to `err` first; throws as models() does, or
    // runtime_error when the server lists none.
    static std::vector<std::string> listed(std::ostream& err);
};

} // namespace deskmap::cli
