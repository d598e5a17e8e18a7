#include "Divider.hpp"

#include "Deskmap/Qt/Style/Styling.hpp"

#include <QPainter>

namespace deskmap::qt {

Divider::Divider(QWidget* parent) : QWidget(parent) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Divider::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), Styling::separator(palette()));
}

} // namespace deskmap::qt
