// Window titles against the privacy rules: the first line is a title
// pattern, the rest a title. Whatever the text, matching ends, a lone star
// matches, and a masked title carries no long number and is masked already.
#include "DeskmapCore/Privacy/PrivacyRules.hpp"
#include "DeskmapCore/Text/Unicode.hpp"
#include "FuzzContract.hpp"

using namespace deskmap;

namespace {

bool hasLongNumber(const std::string& text) {
    std::size_t run = 0;
    for (const char c : text) {
        run = c >= '0' && c <= '9' ? run + 1 : 0;
        if (run >= 6) {
            return true;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = Unicode::repairedUTF8(fuzz::text(data, size));
    const auto newline = input.find('\n');
    const auto pattern = input.substr(0, newline);
    const auto title = newline == std::string::npos ? std::string() : input.substr(newline + 1);

    (void)Privacy::titleMatches(title, pattern);
    if (!Privacy::titleMatches(title, "*")) {
        fuzz::violated();
    }
    if (!pattern.empty() && pattern.find('*') == std::string::npos &&
        !Privacy::titleMatches(pattern, pattern)) {
        fuzz::violated(); // every title contains itself
    }
    const auto masked = Privacy::maskedIdentifiers(title);
    if (hasLongNumber(masked) || Privacy::maskedIdentifiers(masked) != masked) {
        fuzz::violated();
    }
    return 0;
}
