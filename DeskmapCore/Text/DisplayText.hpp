#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text from outside (an app name, a window title, a model's label) as it is
// shown beside the program's own words. What is stored and sent is never
// changed: Arabic and Hebrew titles need their marks.
namespace deskmap::DisplayText {

// The longest an outside string is shown, in user-perceived characters.
inline constexpr std::size_t maximumShownGraphemes = 200;

// `outside` with control characters and ill-formed sequences replaced by
// U+FFFD, without its own embeddings, overrides and isolates, at most
// `maximumGraphemes` long, and, when it holds right-to-left writing,
// isolated (FSI … PDI) so it cannot reorder the text around it.
std::string shown(std::string_view outside, std::size_t maximumGraphemes = maximumShownGraphemes);

// Whether `text` holds an explicit bidirectional embedding, override or
// isolate (U+202A–U+202E, U+2066–U+2069).
bool hasBidiControls(std::string_view text);

} // namespace deskmap::DisplayText
