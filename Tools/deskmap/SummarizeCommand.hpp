#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace deskmap::cli {

struct SummarizeOptions {
    std::string provider = "openai";
    bool json = false;
    bool dryRun = false;
    std::optional<std::string> desktop;
    std::optional<std::string> model; // else the saved choice, else the default
};

// `deskmap summarize`: collects the chosen desktop and prints a label and a
// summary per Space. The API key comes from the environment only. Ctrl-C
// cancels the request: nothing is printed and the exit status is 130.
int runSummarize(const SummarizeOptions& options, std::ostream& out, std::ostream& err);

} // namespace deskmap::cli
