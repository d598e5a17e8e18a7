#include "DeskmapAppSupport/Support/DisplayIdentifiers.hpp"

#include <algorithm>
#include <cctype>

namespace deskmap {

// Identifiers are UUID text or names like "Main": ASCII case folding is what
// telling them apart needs.
bool sameDisplayID(std::string_view lhs, std::string_view rhs) {
    return lhs.size() == rhs.size() &&
           std::equal(lhs.begin(), lhs.end(), rhs.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

} // namespace deskmap
