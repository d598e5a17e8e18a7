#include "DeskmapCore/Privacy/PrivacyRules.hpp"

#include "DeskmapCore/Text/Unicode.hpp"

#include <algorithm>
#include <optional>
#include <utility>

namespace deskmap {

std::vector<std::string> PrivacyRules::defaultExcludedApps() {
    // Names, and the app ids that some desktops report instead where their
    // last part is not the name; GNOME shows its key manager translated, so
    // its id stands for it everywhere.
    return {"1Password",
            "Bitwarden",
            "KeePassXC",
            "KeePass",
            "Enpass",
            "Proton Pass",
            "Seahorse",
            "Passwords and Keys",
            "KWalletManager",
            "com.bitwarden.desktop",
            "org.gnome.seahorse.Application",
            "org.kde.kwalletmanager5",
            "org.kde.kwalletmanager"};
}

std::vector<std::string> PrivacyRules::defaultExcludedTitlePatterns() {
    return {"Private Browsing", "InPrivate", "Incognito", "Private Window"};
}

PrivacyRules PrivacyRules::defaults() {
    return {defaultExcludedApps(), defaultExcludedTitlePatterns(), false};
}

namespace Privacy {

namespace {

// Glob match over whole texts; `*` matches any run of bytes. Literal runs of
// well-formed UTF-8 can only match at character boundaries, so bytes will
// do. Linear in practice: only the last star is ever retried.
bool globMatches(std::string_view text, std::string_view pattern) {
    std::size_t t = 0;
    std::size_t p = 0;
    std::size_t starPattern = std::string_view::npos;
    std::size_t starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starText = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isHex(char c) {
    return isAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool isNonAscii(char c) {
    return static_cast<unsigned char>(c) >= 0x80; // a byte of a letter in UTF-8
}
bool isEmailLocal(char c) {
    return isAsciiAlpha(c) || isAsciiDigit(c) || isNonAscii(c) ||
           std::string_view("._%+-").find(c) != std::string_view::npos;
}
bool isDomain(char c) {
    return isAsciiAlpha(c) || isAsciiDigit(c) || isNonAscii(c) || c == '.' || c == '-';
}
bool isSeparator(char c) {
    return c == '-' || c == '/' || c == '_';
}
bool isUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool isTokenCharacter(char c) {
    return isAsciiAlpha(c) || isAsciiDigit(c) ||
           std::string_view("+/_-=").find(c) != std::string_view::npos;
}
bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

constexpr std::size_t shortestNumber = 6;
constexpr std::size_t shortestToken = 16;
constexpr std::size_t shortestSeparatedToken = 20;
constexpr std::size_t longestTicketNumber = 8;

// An e-mail address around the '@' at `at`: [start, end), or nothing.
std::optional<std::pair<std::size_t, std::size_t>> emailAround(std::string_view text,
                                                               std::size_t at) {
    std::size_t start = at;
    while (start > 0 && isEmailLocal(text[start - 1])) {
        --start;
    }
    std::size_t end = at + 1;
    while (end < text.size() && isDomain(text[end])) {
        ++end;
    }
    while (end > at + 1 && (text[end - 1] == '.' || text[end - 1] == '-')) {
        --end; // a sentence's full stop is not the domain's
    }
    const auto domain = text.substr(at + 1, end - at - 1);
    const auto dot = domain.rfind('.');
    if (start == at || dot == std::string_view::npos || dot == 0 || domain.size() - dot - 1 < 2 ||
        !std::all_of(domain.begin() + static_cast<std::ptrdiff_t>(dot) + 1, domain.end(),
                     isAsciiAlpha)) {
        return std::nullopt;
    }
    return std::pair{start, end};
}

std::string maskEmails(std::string_view text) {
    std::string out;
    std::size_t copied = 0;
    for (std::size_t at = text.find('@'); at != std::string_view::npos;
         at = text.find('@', at + 1)) {
        if (at < copied) {
            continue;
        }
        if (const auto email = emailAround(text, at); email && email->first >= copied) {
            out.append(text.substr(copied, email->first - copied));
            out += "[email]";
            copied = email->second;
            at = copied == 0 ? 0 : copied - 1;
        }
    }
    out.append(text.substr(copied));
    return out;
}

// "?key=value…" up to the next white space, where it holds a '=' or ends a
// path ("…/reset?abcdef").
std::string maskQueries(std::string_view text) {
    std::string out;
    std::size_t copied = 0;
    for (std::size_t mark = text.find('?'); mark != std::string_view::npos;
         mark = text.find('?', mark + 1)) {
        if (mark < copied || mark + 1 >= text.size() || isSpace(text[mark + 1])) {
            continue;
        }
        std::size_t end = mark + 1;
        while (end < text.size() && !isSpace(text[end])) {
            ++end;
        }
        std::size_t word = mark;
        while (word > 0 && !isSpace(text[word - 1])) {
            --word;
        }
        const auto query = text.substr(mark + 1, end - mark - 1);
        const auto before = text.substr(word, mark - word);
        if (query.find('=') == std::string_view::npos &&
            before.find('/') == std::string_view::npos) {
            continue;
        }
        out.append(text.substr(copied, mark - copied));
        out += "?[query]";
        copied = end;
        mark = end - 1;
    }
    out.append(text.substr(copied));
    return out;
}

bool hexPieces(std::string_view run) {
    // A UUID and its kin: hex groups joined by '-', 16 hex digits or more.
    std::size_t hex = 0;
    bool digit = false;
    for (const char c : run) {
        if (c == '-') {
            continue;
        }
        if (!isHex(c)) {
            return false;
        }
        ++hex;
        digit = digit || isAsciiDigit(c);
    }
    return digit && hex >= shortestToken && run.find('-') != std::string_view::npos;
}

bool mixesCaseAndDigits(std::string_view piece) {
    return std::any_of(piece.begin(), piece.end(), isUpper) &&
           std::any_of(piece.begin(), piece.end(), [](char c) { return c >= 'a' && c <= 'z'; }) &&
           std::any_of(piece.begin(), piece.end(), isAsciiDigit);
}

// A base64 token that holds separators ("q3Zl/8Xk2+Pw9A/…", "dGhp-YV9z_…"):
// long, and with a '+' or '=' or a random-looking piece; words and tickets
// joined by separators have neither.
bool separatedToken(std::string_view run) {
    if (run.size() < shortestSeparatedToken || !std::any_of(run.begin(), run.end(), isAsciiDigit) ||
        !std::any_of(run.begin(), run.end(), isAsciiAlpha)) {
        return false;
    }
    if (run.find_first_of("+=") != std::string_view::npos) {
        return true;
    }
    std::size_t at = 0;
    while (at < run.size()) {
        std::size_t stop = at;
        while (stop < run.size() && !isSeparator(run[stop])) {
            ++stop;
        }
        if (stop - at >= 8 && mixesCaseAndDigits(run.substr(at, stop - at))) {
            return true;
        }
        at = stop + 1;
    }
    return false;
}

// The digits of `piece` with long runs masked; a ticket's number
// ("ABC-1234567", "#4821234") is its label and stays.
void appendNumbers(std::string& out, std::string_view piece, bool label) {
    std::size_t at = 0;
    while (at < piece.size()) {
        if (!isAsciiDigit(piece[at])) {
            out += piece[at++];
            continue;
        }
        std::size_t digits = at;
        while (digits < piece.size() && isAsciiDigit(piece[digits])) {
            ++digits;
        }
        // A ticket's number is short; a long one after a label ("CC-4111…")
        // is an identifier all the same.
        const bool ticket =
            label && at == 0 && digits == piece.size() && digits - at <= longestTicketNumber;
        if (digits - at >= shortestNumber && !ticket) {
            out += "[number]";
        } else {
            out.append(piece.substr(at, digits - at));
        }
        at = digits;
    }
}

// Long tokens, then long runs of digits. A run of token characters is judged
// piece by piece between '-', '/' and '_', so that "feature/ABC-123-fix-login"
// keeps its words and its ticket.
std::string maskTokensAndNumbers(std::string_view text) {
    std::string out;
    std::size_t position = 0;
    while (position < text.size()) {
        if (!isTokenCharacter(text[position])) {
            out += text[position++];
            continue;
        }
        std::size_t end = position;
        while (end < text.size() && isTokenCharacter(text[end])) {
            ++end;
        }
        const auto run = text.substr(position, end - position);
        if (hexPieces(run) || separatedToken(run)) {
            out += "[token]";
            position = end;
            continue;
        }
        const bool afterHash = position > 0 && text[position - 1] == '#';
        std::string_view previous;
        std::size_t at = 0;
        while (at <= run.size()) {
            std::size_t stop = at;
            while (stop < run.size() && !isSeparator(run[stop])) {
                ++stop;
            }
            const auto piece = run.substr(at, stop - at);
            const bool hasDigit = std::any_of(piece.begin(), piece.end(), isAsciiDigit);
            const bool hasLetter = std::any_of(piece.begin(), piece.end(), isAsciiAlpha);
            const bool label =
                (at == 0 && afterHash) || (at > 0 && run[at - 1] == '-' && previous.size() >= 2 &&
                                           std::all_of(previous.begin(), previous.end(), isUpper));
            if (piece.size() >= shortestToken && hasDigit && hasLetter) {
                out += "[token]";
            } else {
                appendNumbers(out, piece, label);
            }
            if (stop < run.size()) {
                out += run[stop];
            }
            previous = piece;
            at = stop + 1;
        }
        position = end;
    }
    return out;
}

std::string folded(std::string_view text) {
    // Folding can leave a text out of canonical order: compose again.
    return Unicode::canonicalComposition(Unicode::caseFolded(Unicode::canonicalComposition(text)));
}

} // namespace

bool sameText(std::string_view first, std::string_view second) {
    return folded(first) == folded(second);
}

bool isExcludedApp(std::string_view app, const PrivacyRules& rules) {
    const auto name = folded(app);
    // A reverse-domain app id ("org.keepassxc.KeePassXC") also goes by its
    // last part.
    std::string shortName;
    if (std::count(name.begin(), name.end(), '.') >= 2 && name.find(' ') == std::string::npos) {
        shortName = name.substr(name.rfind('.') + 1);
    }
    return std::any_of(rules.excludedApps.begin(), rules.excludedApps.end(),
                       [&](const std::string& excluded) {
                           const auto rule = folded(excluded);
                           return rule == name || (!shortName.empty() && rule == shortName);
                       });
}

bool titleMatches(std::string_view title, std::string_view pattern) {
    const auto text = folded(title);
    const auto wanted = folded(pattern);
    if (wanted.find('*') == std::string::npos) {
        return !wanted.empty() && text.find(wanted) != std::string::npos;
    }
    return globMatches(text, wanted);
}

bool isWithheld(const WindowEvidence& window, const PrivacyRules& rules) {
    if (isExcludedApp(window.app, rules)) {
        return true;
    }
    // No title is judged as an empty one, whichever way a desktop reports it.
    const std::string title = window.title.value_or("");
    return std::any_of(rules.excludedTitlePatterns.begin(), rules.excludedTitlePatterns.end(),
                       [&](const std::string& pattern) { return titleMatches(title, pattern); });
}

std::string maskedIdentifiers(std::string_view title) {
    // A mask can uncover another identifier ("x@y.io123456" is an address
    // once its digits are masked): mask until nothing changes. Placeholders
    // match nothing themselves, so a few rounds settle it.
    // Full-width and other compatibility forms of digits and letters count
    // as the plain ones ("１２３４５６" is a long number).
    std::string masked = Unicode::compatibilityComposition(title);
    for (int round = 0; round < 8; ++round) {
        auto next = maskTokensAndNumbers(maskQueries(maskEmails(masked)));
        if (next == masked) {
            break;
        }
        masked = std::move(next);
    }
    return masked;
}

SendableInventory sendable(const Inventory& inventory, const PrivacyRules& rules) {
    SendableInventory result;
    result.inventory.spaces.reserve(inventory.spaces.size());
    for (const auto& space : inventory.spaces) {
        auto kept = space;
        kept.windows.clear();
        std::size_t withheld = 0;
        for (const auto& window : space.windows) {
            if (isWithheld(window, rules)) {
                ++withheld;
                continue;
            }
            auto sent = window;
            if (rules.redactIdentifiers && sent.title) {
                sent.title = maskedIdentifiers(*sent.title);
            }
            kept.windows.push_back(std::move(sent));
        }
        result.inventory.spaces.push_back(std::move(kept));
        result.withheld.push_back(withheld);
    }
    return result;
}

} // namespace Privacy

} // namespace deskmap
