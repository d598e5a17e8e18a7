#pragma once

namespace deskmap::cli {

// What the command line's exit status tells a script.
enum ExitCode : int {
    success = 0,
    failure = 1, // the command ran and failed; the reason is on stderr
    usage = 2,   // unusable arguments or input files
    interrupted = 130,
};

} // namespace deskmap::cli
