#include "QtTestSupport.hpp"

#include <QDir>
#include <QPalette>
#include <QStyle>

namespace deskmap::test {

void applyAppearance(Appearance appearance) {
    if (appearance == Appearance::light) {
        QApplication::setPalette(QApplication::style()->standardPalette());
        return;
    }
    QPalette dark;
    const QColor window(0x2b, 0x2b, 0x2e);
    const QColor base(0x1e, 0x1e, 0x21);
    const QColor text(0xea, 0xea, 0xec);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, window);
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3e));
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::Highlight, QColor(0x3d, 0x7e, 0xe0));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::PlaceholderText, QColor(0x8e, 0x8e, 0x93));
    dark.setColor(QPalette::Light, QColor(0x4a, 0x4a, 0x4f));
    dark.setColor(QPalette::Midlight, QColor(0x40, 0x40, 0x44));
    dark.setColor(QPalette::Mid, QColor(0x30, 0x30, 0x33));
    dark.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x1a));
    dark.setColor(QPalette::Shadow, Qt::black);
    dark.setColor(QPalette::ToolTipBase, window);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::Link, QColor(0x6c, 0xa6, 0xff));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        dark.setColor(QPalette::Disabled, role, QColor(0x7a, 0x7a, 0x7f));
    }
    QApplication::setPalette(dark);
}

void screenshot(QWidget* window, const std::string& name, Appearance appearance) {
    applyAppearance(appearance);
    // A layout settles over several rounds of posted requests, nested
    // layouts one round per level, as it does on screen before anyone looks.
    for (int round = 0; round < 4; ++round) {
        QCoreApplication::processEvents();
    }
    const QString folder = QStringLiteral(DESKMAP_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    const auto path = folder + QLatin1Char('/') + QString::fromStdString(name) +
                      (appearance == Appearance::light ? QStringLiteral("-light.png")
                                                       : QStringLiteral("-dark.png"));
    EXPECT_TRUE(window->grab().save(path)) << path.toStdString();
}

void screenshots(QWidget* window, const std::string& name) {
    screenshot(window, name, Appearance::dark);
    screenshot(window, name, Appearance::light);
}

} // namespace deskmap::test
