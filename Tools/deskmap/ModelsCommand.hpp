#pragma once

#include <iosfwd>
#include <string>

namespace deskmap::cli {

struct ModelsOptions {
    std::string provider = "local";
};

// `deskmap models`: the models the local server offers, one per line, the
// default (the first) first.
int runModels(const ModelsOptions& options, std::ostream& out, std::ostream& err);

} // namespace deskmap::cli
