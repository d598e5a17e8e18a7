#include "Controls.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace deskmap::qt::Controls {

QPushButton* button(const QString& text, QWidget* parent, const QString& accessibleName) {
    auto* result = new QPushButton(text, parent);
    result->setAccessibleName(accessibleName.isEmpty() ? text : accessibleName);
    result->setAutoDefault(false);
    return result;
}

QWidget* row(QWidget* parent, std::initializer_list<QWidget*> widgets, bool stretch) {
    auto* result = new QWidget(parent);
    auto* layout = new QHBoxLayout(result);
    layout->setContentsMargins(0, 0, 0, 0);
    for (auto* widget : widgets) {
        widget->setParent(result);
        layout->addWidget(widget);
    }
    if (stretch) {
        layout->addStretch(1);
    }
    return result;
}

QLabel* valueLabel(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setAccessibleName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

void setValue(QLabel* label, const QString& value) {
    label->setText(value);
    label->setAccessibleDescription(value);
}

} // namespace deskmap::qt::Controls
