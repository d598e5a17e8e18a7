#include "DeskmapCore/Output/SpaceLabels.hpp"

#include "DeskmapCore/Text/DisplayText.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <set>

namespace deskmap::SpaceLabels {

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

} // namespace deskmap::SpaceLabels
