#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

namespace deskmap::cli {

struct SwitchOptions {
    std::int64_t index = 0; // 1-based, as `deskmap spaces` numbers them
    std::optional<std::string> desktop;
};

// `deskmap switch INDEX`: moves the display under the cursor to that Space
// with swipe gestures, and reports how it went.
int runSwitch(const SwitchOptions& options, std::ostream& out, std::ostream& err);

} // namespace deskmap::cli
