#pragma once

#include <QString>
#include <initializer_list>

class QLabel;
class QPushButton;
class QWidget;

// The small controls every window builds the same way.
namespace deskmap::qt::Controls {

// A button that never takes Return from the window's default action; its
// accessible name is its text unless one is given.
QPushButton* button(const QString& text, QWidget* parent,
                    const QString& accessibleName = QString());

// Widgets side by side, left-aligned unless `stretch` is false.
QWidget* row(QWidget* parent, std::initializer_list<QWidget*> widgets, bool stretch = true);

// A value shown in a labelled row: assistive technology hears the row's
// name, then the value. Plain text, since values may quote what a store or
// client said.
QLabel* valueLabel(const QString& name, QWidget* parent);
void setValue(QLabel* label, const QString& value);

} // namespace deskmap::qt::Controls
