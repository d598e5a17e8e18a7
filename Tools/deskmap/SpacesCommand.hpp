#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace deskmap::cli {

struct SpacesOptions {
    bool json = false;
    std::optional<std::string> desktop;
};

// `deskmap spaces`: collects the inventory of the chosen desktop and prints it.
int runSpaces(const SpacesOptions& options, std::ostream& out, std::ostream& err);

} // namespace deskmap::cli
