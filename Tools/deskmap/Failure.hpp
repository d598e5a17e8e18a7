#pragma once

#include <exception>
#include <iosfwd>

namespace deskmap::cli {

// Reports how a command failed and returns its exit status: a cancellation
// (Ctrl-C) quietly as 130, an error with a description as that sentence on
// `err` and 1.
int reportFailure(const std::exception_ptr& failure, std::ostream& err);

} // namespace deskmap::cli
