#include "PopoverPlacement.hpp"

#include <algorithm>

namespace deskmap::qt {

QPoint popoverPosition(const QRect& anchor, const QSize& size, const QRect& available) {
    constexpr int gap = 4;
    const bool upperHalf =
        anchor.y() + anchor.height() / 2 < available.y() + available.height() / 2;
    int x = anchor.x() + anchor.width() / 2 - size.width() / 2;
    int y = upperHalf ? anchor.bottom() + 1 + gap : anchor.top() - gap - size.height();
    x = std::clamp(x, available.left(),
                   std::max(available.left(), available.right() + 1 - size.width()));
    y = std::clamp(y, available.top(),
                   std::max(available.top(), available.bottom() + 1 - size.height()));
    return {x, y};
}

} // namespace deskmap::qt
