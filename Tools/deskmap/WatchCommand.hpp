#pragma once

#include <chrono>
#include <iosfwd>
#include <optional>
#include <string>

namespace deskmap::cli {

struct WatchOptions {
    std::optional<std::string> provider; // else the one selected in the settings
    bool json = false;
    // text, json, or a status bar's: waybar (a JSON object per line) or
    // polybar (a plain line)
    std::string format = "text";
    bool once = false;
    std::optional<std::string> desktop;
    std::optional<std::string> model; // else the saved choice, else the default
};

// How often the watch refreshes on its own and looks for Spaces being added,
// removed or moved.
struct WatchTiming {
    std::chrono::steady_clock::duration refreshInterval = std::chrono::seconds(300);
    std::chrono::steady_clock::duration structurePollInterval = std::chrono::seconds(2);
};

// Keeps the map of Spaces current and prints every state it publishes, until
// interrupted (or, with `once`, until the first refresh has ended). A status
// bar's watch shows instead the state a running app publishes, while one
// runs, unless the options ask for a watch of its own.
int runWatch(const WatchOptions& options, std::ostream& out, std::ostream& err,
             WatchTiming timing = {});

} // namespace deskmap::cli
