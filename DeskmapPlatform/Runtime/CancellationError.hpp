#pragma once

#include <exception>

namespace deskmap::runtime {

// The outcome of work that was cancelled. It is its own outcome: never wrapped
// in another error and never shown to the user.
class CancellationError : public std::exception {
public:
    const char* what() const noexcept override { return "the task was cancelled"; }
};

} // namespace deskmap::runtime
