#pragma once

#include <QIcon>

namespace deskmap::qt {

// The application's icon: from the desktop's icon theme when installed
// there (so a theme may restyle it), else the one compiled in.
QIcon appIcon();

} // namespace deskmap::qt
