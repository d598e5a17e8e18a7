#pragma once

#include <chrono>
#include <string>

namespace deskmap::qt::RelativeTime {

// How long before `now` the instant `then` was, in words, with named forms
// where the language has them: "now", "5 minutes ago", "yesterday", "last
// week". An instant after `now` (a clock set back) reads as "now".
std::string describe(std::chrono::system_clock::time_point then,
                     std::chrono::system_clock::time_point now);

} // namespace deskmap::qt::RelativeTime
