#include "X11Text.hpp"

#include "DeskmapPlatform/Text/WellFormedUTF8.hpp"

#include <cstdint>

namespace deskmap::platform::X11Text {

namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD";

constexpr char escape = '\x1b';

void appendLatin1(std::string& out, unsigned char byte) {
    if (byte < 0x80) {
        out += static_cast<char>(byte);
    } else {
        out += static_cast<char>(0xC0 | (byte >> 6));
        out += static_cast<char>(0x80 | (byte & 0x3F));
    }
}

} // namespace

std::string latin1ToUTF8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        appendLatin1(out, static_cast<unsigned char>(c));
    }
    return out;
}

std::string compoundTextToUTF8(std::string_view text) {
    std::string out;
    // Which character sets the two halves of a byte mean: Latin-1 unless an
    // escape sequence designated another one.
    bool leftIsASCII = true;
    bool rightIsLatin1 = true;
    std::size_t position = 0;
    while (position < text.size()) {
        if (text[position] != escape) {
            const auto byte = static_cast<unsigned char>(text[position++]);
            const bool known = byte < 0x80 ? (leftIsASCII || byte < 0x21 || byte == 0x7F)
                                           : (rightIsLatin1 || byte < 0xA0);
            if (known) {
                appendLatin1(out, byte);
            } else {
                out += replacement;
            }
            continue;
        }
        const auto rest = text.substr(position);
        if (rest.substr(0, 3) == "\x1b%G") {
            // UTF-8 up to the sequence that ends it.
            const auto end = text.find("\x1b%@", position + 3);
            const auto stop = end == std::string_view::npos ? text.size() : end;
            out += wellFormedUTF8(text.substr(position + 3, stop - position - 3));
            position = end == std::string_view::npos ? text.size() : end + 3;
            continue;
        }
        // ESC, intermediate bytes (0x20-0x2F), one final byte (0x30-0x7E).
        std::size_t end = position + 1;
        while (end < text.size() && text[end] >= 0x20 && text[end] <= 0x2F) {
            ++end;
        }
        if (end >= text.size()) {
            break; // a truncated sequence ends the text
        }
        const auto sequence = text.substr(position, end + 1 - position);
        if (sequence[1] == '(') {
            leftIsASCII = sequence == "\x1b(B";
        } else if (sequence[1] == '-' || sequence[1] == ')') {
            rightIsLatin1 = sequence == "\x1b-A";
        } else if (sequence[1] == '$') {
            // A multi-byte set for the right half, else for the left one.
            (sequence.size() > 3 && sequence[2] == ')' ? rightIsLatin1 : leftIsASCII) = false;
        }
        position = end + 1;
    }
    return out;
}

} // namespace deskmap::platform::X11Text
