#include "DeskmapCore/Output/SpaceLabels.hpp"

#include "DeskmapCore/Text/DisplayText.hpp"
#include "DeskmapCore/Text/Unicode.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <unicode/uchar.h>

#include <set>

namespace deskmap::SpaceLabels {

namespace {

bool isNotLetter(std::int32_t scalar) {
    return !u_hasBinaryProperty(scalar, UCHAR_ALPHABETIC);
}

// "3", or a single word of letters, white space and "3": what desktops call
// a Space they were never told a name for, in any language.
bool repeatsNumber(const std::string& name, std::int64_t number) {
    const auto digits = std::to_string(number);
    if (name == digits) {
        return true;
    }
    if (name.size() <= digits.size() ||
        name.compare(name.size() - digits.size(), digits.size(), digits) != 0) {
        return false;
    }
    const auto word = Unicode::trimmedWhitespaceAndNewlines(
        std::string_view(name).substr(0, name.size() - digits.size()));
    return !word.empty() && word.size() < name.size() - digits.size() &&
           !Unicode::anyScalar(word, isNotLetter);
}

} // namespace

std::string localLabel(const SpaceInventory& space) {
    // Byte order is code-point order for UTF-8: ascending text order.
    std::set<std::string> apps;
    for (const auto& window : space.windows) {
        apps.insert(window.app);
    }
    if (apps.empty()) {
        return texts::sparseEvidence;
    }
    auto name = apps.begin();
    std::string label = DisplayText::shown(*name);
    if (++name != apps.end()) {
        label += " and " + DisplayText::shown(*name);
    }
    return label;
}

std::string localSummary(const SpaceInventory& space) {
    const auto count = space.windows.size();
    if (count == 0) {
        return texts::noWindowEvidence;
    }
    return texts::localInventory(count);
}

std::optional<std::string> spaceName(const SpaceInventory& space, const DesktopNames& names) {
    const auto found = names.spaces.find(space.id);
    if (found == names.spaces.end() || found->second.empty() ||
        repeatsNumber(found->second, space.index)) {
        return std::nullopt;
    }
    return found->second;
}

} // namespace deskmap::SpaceLabels
