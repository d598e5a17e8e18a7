#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>

namespace deskmap::bench {

// A scenario with `displays` displays of `spacesPerDisplay` Spaces each and
// `windows` windows spread over them, with realistic app names and titles
// (some non-ASCII, some repeated, some windows on several Spaces).
nlohmann::json generatedDesktop(std::size_t displays, std::size_t spacesPerDisplay,
                                std::size_t windows);

} // namespace deskmap::bench
