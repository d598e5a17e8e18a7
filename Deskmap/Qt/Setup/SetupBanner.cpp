#include "SetupBanner.hpp"

#include "Deskmap/Qt/Style/Styling.hpp"
#include "Deskmap/Qt/Text/ViewTexts.hpp"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QSvgRenderer>
#include <QVBoxLayout>

namespace deskmap::qt {

namespace {

QLabel* whiteLabel(const QString& text, const QFont& font, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAccessibleName(text);
    label->setFont(font);
    auto palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    return label;
}

} // namespace

SetupBanner::SetupBanner(QWidget* parent)
    : QWidget(parent),
      image_(new QSvgRenderer(QStringLiteral(":/deskmap/DeskmapSetupBanner.svg"), this)) {
    setFixedHeight(160);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 0, 24, 18);
    layout->setSpacing(2);
    layout->addStretch(1);
    layout->addWidget(
        whiteLabel(ViewTexts::text(texts::setupBanner), Styling::titleFont(font()), this));
    stepLine_ =
        whiteLabel({}, Styling::font(Styling::calloutFont(font()), 1.0, QFont::Medium), this);
    layout->addWidget(stepLine_);
}

void SetupBanner::setStepLine(const QString& text) {
    stepLine_->setText(text);
    stepLine_->setAccessibleName(text);
}

void SetupBanner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Fill the width, keep the aspect, crop what falls outside.
    const QSizeF natural = image_->defaultSize();
    const qreal scale = qMax(width() / natural.width(), height() / natural.height());
    const QSizeF drawn = natural * scale;
    image_->render(&painter,
                   QRectF((width() - drawn.width()) / 2.0, (height() - drawn.height()) / 2.0,
                          drawn.width(), drawn.height()));
    QLinearGradient shade(0, 0, 0, height());
    shade.setColorAt(0, QColor(0, 0, 0, 0));
    shade.setColorAt(1, QColor(0, 0, 0, static_cast<int>(0.78 * 255)));
    painter.fillRect(rect(), shade);
}

} // namespace deskmap::qt
