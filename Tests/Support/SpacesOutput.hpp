#pragma once

#include "Support/ChildProcess.hpp"

#include <ostream>
#include <string>
#include <vector>

namespace deskmap::test {

// One Space of `deskmap spaces --json`: its display, whether it is current,
// and its windows as "app: title".
struct Space {
    std::string display;
    bool current = false;
    std::vector<std::string> windows;

    friend bool operator==(const Space&, const Space&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Space& space);
};

// The Spaces a `deskmap spaces --json` run printed (none, with a test
// failure, when it failed).
std::vector<Space> spacesOf(const ProcessOutcome& result);

} // namespace deskmap::test
