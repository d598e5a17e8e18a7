#include "Styling.hpp"

#include <QEvent>
#include <QLabel>

namespace deskmap::qt::Styling {

namespace {

QColor blend(const QColor& from, const QColor& to, double amount) {
    return QColor::fromRgbF(
        static_cast<float>(from.redF() + (to.redF() - from.redF()) * amount),
        static_cast<float>(from.greenF() + (to.greenF() - from.greenF()) * amount),
        static_cast<float>(from.blueF() + (to.blueF() - from.blueF()) * amount));
}

bool isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

// Re-applies the secondary colour whenever the palette changes.
class SecondaryColourKeeper final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::PaletteChange || event->type() == QEvent::Polish) {
            apply(static_cast<QLabel*>(watched));
        }
        return false;
    }
    static void apply(QLabel* label) {
        auto palette = label->palette();
        const auto colour = secondaryText(palette);
        if (palette.color(QPalette::WindowText) != colour) {
            palette.setColor(QPalette::WindowText, colour);
            palette.setColor(QPalette::Text, colour);
            label->setPalette(palette);
        }
    }
};

} // namespace

QFont font(const QFont& base, double scale, QFont::Weight weight) {
    QFont result = base;
    if (base.pointSizeF() > 0) {
        result.setPointSizeF(base.pointSizeF() * scale);
    } else {
        result.setPixelSize(static_cast<int>(base.pixelSize() * scale + 0.5));
    }
    result.setWeight(weight);
    return result;
}

QFont calloutFont(const QFont& base) {
    return font(base, 0.92);
}
QFont headlineFont(const QFont& base) {
    return font(base, 1.0, QFont::DemiBold);
}
QFont titleFont(const QFont& base) {
    return font(base, 1.9, QFont::Bold);
}
QFont largeTitleFont(const QFont& base) {
    return font(base, 1.75, QFont::Bold);
}
QFont title3Font(const QFont& base) {
    return font(base, 1.15);
}

QColor secondaryText(const QPalette& palette) {
    // Against the window colour, not the label's own (which may already be
    // the secondary one).
    const auto text = palette.color(QPalette::Active, QPalette::ButtonText);
    return blend(text, palette.color(QPalette::Window), isDark(palette) ? 0.38 : 0.42);
}

QColor successColour(const QPalette& palette) {
    return isDark(palette) ? QColor(0x4c, 0xc9, 0x6a) : QColor(0x1f, 0x9d, 0x45);
}

QColor cardFill(const QPalette& palette) {
    return blend(palette.color(QPalette::Window), palette.color(QPalette::WindowText),
                 isDark(palette) ? 0.07 : 0.045);
}

QColor separator(const QPalette& palette) {
    return blend(palette.color(QPalette::Window), palette.color(QPalette::WindowText),
                 isDark(palette) ? 0.16 : 0.18);
}

void makeSecondary(QLabel* label) {
    label->installEventFilter(new SecondaryColourKeeper(label));
    SecondaryColourKeeper::apply(label);
}

QLabel* calloutLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText); // messages may quote outside text
    label->setWordWrap(true);
    label->setFont(calloutFont(label->font()));
    return label;
}

} // namespace deskmap::qt::Styling
