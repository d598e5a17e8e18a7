#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class QLabel;
class QWidget;

// Type sizes and colours of the windows, all derived from the desktop's
// font and palette so that they follow its theme.
namespace deskmap::qt::Styling {

// Point sizes relative to the desktop's body text.
QFont font(const QFont& base, double scale, QFont::Weight weight = QFont::Normal);
QFont calloutFont(const QFont& base);  // explanations and status messages
QFont headlineFont(const QFont& base); // emphasised one-line states
QFont titleFont(const QFont& base);    // banner title
QFont largeTitleFont(const QFont& base);
QFont title3Font(const QFont& base);

// Text that explains rather than states: the window text blended towards
// the background.
QColor secondaryText(const QPalette& palette);
// The green of a granted permission or a connected provider.
QColor successColour(const QPalette& palette);
// A faint fill for grouped content ("cards"), visible on light and dark.
QColor cardFill(const QPalette& palette);

// Hairlines between parts of a window.
QColor separator(const QPalette& palette);

// Marks a label as secondary: its colour follows palette changes.
void makeSecondary(QLabel* label);
// A wrapping label in the callout font.
QLabel* calloutLabel(const QString& text, QWidget* parent = nullptr);

} // namespace deskmap::qt::Styling
