#include "BusyIndicator.hpp"

#include "Deskmap/Qt/Style/Styling.hpp"
#include "Deskmap/Qt/Text/ViewTexts.hpp"

#include <QPainter>

namespace deskmap::qt {

BusyIndicator::BusyIndicator(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(ViewTexts::text(texts::inProgress));
    timer_.setInterval(80);
    connect(&timer_, &QTimer::timeout, this, [this] {
        angle_ = (angle_ + 30) % 360;
        update();
    });
}

QSize BusyIndicator::sizeHint() const {
    const int side = fontMetrics().height() - 2;
    return {side, side};
}

void BusyIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = qMin(width(), height()) - 3.0;
    const QRectF circle((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    painter.setPen(QPen(Styling::secondaryText(palette()), 2.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(circle, -angle_ * 16, 270 * 16);
}

void BusyIndicator::showEvent(QShowEvent*) {
    timer_.start();
}
void BusyIndicator::hideEvent(QHideEvent*) {
    timer_.stop();
}

} // namespace deskmap::qt
