#pragma once

class QWidget;

namespace deskmap::qt {

// Asks the window manager to show `window` (shown, top-level) on every
// workspace, so that a switch made from it does not leave it behind. Only
// X11 lets a client ask; elsewhere nothing happens.
void showOnEveryWorkspace(QWidget* window);

} // namespace deskmap::qt
