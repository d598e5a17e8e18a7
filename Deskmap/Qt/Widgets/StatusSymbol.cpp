#include "StatusSymbol.hpp"

#include "Deskmap/Qt/Style/Styling.hpp"

#include <QPainter>
#include <QPainterPath>

namespace deskmap::qt {

StatusSymbol::StatusSymbol(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StatusSymbol::setDone(bool done) {
    if (done_ != done) {
        done_ = done;
        update();
    }
}

QSize StatusSymbol::sizeHint() const {
    const int side = fontMetrics().height();
    return {side, side};
}

void StatusSymbol::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = qMin(width(), height()) - 2.0;
    const QRectF circle((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    if (!done_) {
        painter.setPen(QPen(Styling::secondaryText(palette()), 1.4));
        painter.drawEllipse(circle);
        return;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(Styling::successColour(palette()));
    painter.drawEllipse(circle);
    QPainterPath check;
    check.moveTo(circle.left() + side * 0.28, circle.top() + side * 0.52);
    check.lineTo(circle.left() + side * 0.44, circle.top() + side * 0.68);
    check.lineTo(circle.left() + side * 0.73, circle.top() + side * 0.35);
    painter.setPen(QPen(Qt::white, side * 0.11, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(check);
}

} // namespace deskmap::qt
