#pragma once

#include <iosfwd>
#include <string>

namespace deskmap::cli {

// `deskmap check-client codex|cursor`: whether the client is installed and
// signed in, by its own status command.
int runCheckClient(const std::string& client, std::ostream& out, std::ostream& err);

} // namespace deskmap::cli
