// Window titles against the privacy rules: the first line is a title
// pattern, the rest a title. Whatever the text, matching ends and agrees
// with a plain recursive matcher, a lone star matches, and a masked title
// carries no long number but a ticket's and is masked already.
#include "DeskmapCore/Privacy/PrivacyRules.hpp"
#include "DeskmapCore/Text/Unicode.hpp"
#include "FuzzContract.hpp"

#include <algorithm>
#include <string_view>

using namespace deskmap;

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isRunCharacter(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           std::string_view("+/_-=").find(c) != std::string_view::npos;
}

// A long run of digits that is not a ticket's whole number ("#4821234",
// "ABC-4821234"), judged piece by piece between '-', '/' and '_'.
bool hasLongNumber(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        if (!isRunCharacter(text[start])) {
            ++start;
            continue;
        }
        std::size_t end = start;
        while (end < text.size() && isRunCharacter(text[end])) {
            ++end;
        }
        std::string_view previous;
        for (std::size_t at = start; at <= end;) {
            std::size_t stop = at;
            while (stop < end &&
                   std::string_view("-/_").find(text[stop]) == std::string_view::npos) {
                ++stop;
            }
            const auto piece = text.substr(at, stop - at);
            const bool ticket = !piece.empty() &&
                                std::all_of(piece.begin(), piece.end(), isDigit) &&
                                ((at == start && at > 0 && text[at - 1] == '#') ||
                                 (at > start && text[at - 1] == '-' && previous.size() >= 2 &&
                                  std::all_of(previous.begin(), previous.end(),
                                              [](char c) { return c >= 'A' && c <= 'Z'; })));
            std::size_t digits = 0;
            for (const char c : piece) {
                digits = isDigit(c) ? digits + 1 : 0;
                if (digits >= 6 && !ticket) {
                    return true;
                }
            }
            previous = piece;
            at = stop + 1;
        }
        start = end;
    }
    return false;
}

bool plainGlob(std::string_view text, std::string_view pattern) {
    if (pattern.empty()) {
        return text.empty();
    }
    if (pattern.front() == '*') {
        for (std::size_t skip = 0; skip <= text.size(); ++skip) {
            if (plainGlob(text.substr(skip), pattern.substr(1))) {
                return true;
            }
        }
        return false;
    }
    return !text.empty() && text.front() == pattern.front() &&
           plainGlob(text.substr(1), pattern.substr(1));
}

std::string folded(std::string_view text) {
    return Unicode::canonicalComposition(Unicode::caseFolded(Unicode::canonicalComposition(text)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = Unicode::repairedUTF8(fuzz::text(data, size));
    const auto newline = input.find('\n');
    const auto pattern = input.substr(0, newline);
    const auto title = newline == std::string::npos ? std::string() : input.substr(newline + 1);

    const bool matched = Privacy::titleMatches(title, pattern);
    // The plain matcher is exponential: only for a few stars.
    if (std::count(pattern.begin(), pattern.end(), '*') > 0 &&
        std::count(pattern.begin(), pattern.end(), '*') <= 4 && title.size() <= 64 &&
        matched != plainGlob(folded(title), folded(pattern))) {
        fuzz::violated();
    }
    if (!Privacy::titleMatches(title, "*")) {
        fuzz::violated();
    }
    const auto masked = Privacy::maskedIdentifiers(title);
    if (hasLongNumber(masked) || Privacy::maskedIdentifiers(masked) != masked) {
        fuzz::violated();
    }
    return 0;
}
