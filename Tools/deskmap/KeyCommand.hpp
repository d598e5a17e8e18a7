#pragma once

#include <iosfwd>
#include <string>

namespace deskmap::cli {

struct KeyOptions {
    std::string action; // save, clear or status
    std::string provider = "openai";
};

// Saves (from `in`), clears or reports the provider's key in the secret store.
int runKey(const KeyOptions& options, std::istream& in, std::ostream& out, std::ostream& err);

} // namespace deskmap::cli
