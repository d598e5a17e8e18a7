#pragma once

#include <exception>
#include <optional>
#include <string>

namespace deskmap {

// An error that may carry a sentence for the user. Callers show
// errorDescription() when present and a fallback sentence of their own
// otherwise; what() always has text, for diagnostics.
class LocalizedError : public std::exception {
public:
    virtual std::optional<std::string> errorDescription() const = 0;
};

} // namespace deskmap
