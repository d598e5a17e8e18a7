#pragma once

#include <string>

namespace deskmap::platform {

// Text a peer chose (an error message from another program), made fit for a
// sentence of ours: one line without control characters, at most 200 bytes,
// never ending inside a character.
std::string peerText(const std::string& text);

} // namespace deskmap::platform
