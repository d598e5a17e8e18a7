#pragma once

#include <exception>
#include <optional>
#include <string>

namespace deskmap {

// The sentence an error carries for the user: its localized description when
// it has a non-empty one. Nothing for other errors and for cancellation,
// which is never shown.
std::optional<std::string> userFacingDescription(const std::exception_ptr& error);

// The error's description for the user when it has a non-empty one, else
// `fallback`.
std::string userFacingMessage(const std::exception_ptr& error, const std::string& fallback);

} // namespace deskmap
