#include "AppIcon.hpp"

namespace deskmap::qt {

QIcon appIcon() {
    return QIcon::fromTheme(QStringLiteral("deskmap"),
                            QIcon(QStringLiteral(":/deskmap/deskmap.svg")));
}

} // namespace deskmap::qt
