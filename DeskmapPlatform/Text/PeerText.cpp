#include "DeskmapPlatform/Text/PeerText.hpp"

namespace deskmap::platform {

std::string peerText(const std::string& text) {
    std::string line;
    for (const char c : text.substr(0, 200)) {
        line += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c;
    }
    // No character cut in half at the end.
    auto end = line.size();
    while (end > 0 && (static_cast<unsigned char>(line[end - 1]) & 0xC0) == 0x80) {
        --end;
    }
    if (end > 0 && (static_cast<unsigned char>(line[end - 1]) & 0xC0) == 0xC0) {
        const auto lead = static_cast<unsigned char>(line[end - 1]);
        const auto length = lead >= 0xF0 ? 4u : lead >= 0xE0 ? 3u : 2u;
        if (line.size() - (end - 1) < length) {
            line.resize(end - 1);
        }
    }
    return line;
}

} // namespace deskmap::platform
