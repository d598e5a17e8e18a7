#pragma once

#include <iosfwd>

namespace deskmap::cli {

// Parses the arguments, runs the chosen command and returns the process's
// exit status. Results go to `out`, errors to `err`; nothing else is written.
int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

} // namespace deskmap::cli
