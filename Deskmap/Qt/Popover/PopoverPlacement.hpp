#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace deskmap::qt {

// Where a popover of `size` goes beside `anchor` (the tray icon, or a point
// under the pointer): centred on it, below it when it is in the upper half
// of the screen's usable area and above it otherwise, and always inside
// `available`.
QPoint popoverPosition(const QRect& anchor, const QSize& size, const QRect& available);

} // namespace deskmap::qt
