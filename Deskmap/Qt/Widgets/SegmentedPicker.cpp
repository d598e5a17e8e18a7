#include "SegmentedPicker.hpp"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>

namespace deskmap::qt {

SegmentedPicker::SegmentedPicker(const QString& accessibleName, const QStringList& options,
                                 QWidget* parent)
    : QWidget(parent), group_(new QButtonGroup(this)) {
    setAccessibleName(accessibleName);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int index = 0; index < options.size(); ++index) {
        auto* button = new QPushButton(options[index], this);
        button->setAccessibleName(options[index]);
        button->setCheckable(true);
        button->setAutoDefault(false);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        group_->addButton(button, index);
        layout->addWidget(button);
    }
    group_->setExclusive(true);
    connect(group_, &QButtonGroup::idClicked, this, &SegmentedPicker::chosen);
    connect(group_, &QButtonGroup::idToggled, this, [this] { markChosen(); });
}

void SegmentedPicker::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        markChosen();
    }
}

void SegmentedPicker::markChosen() {
    // The chosen segment in the desktop's selection colours, so it reads as
    // chosen in every theme, not merely as pressed.
    for (auto* button : group_->buttons()) {
        QPalette colours = palette();
        if (button->isChecked()) {
            colours.setColor(QPalette::Button, colours.color(QPalette::Highlight));
            colours.setColor(QPalette::ButtonText, colours.color(QPalette::HighlightedText));
        }
        button->setPalette(colours);
    }
}

int SegmentedPicker::currentIndex() const {
    return group_->checkedId();
}

void SegmentedPicker::setCurrentIndex(int index) {
    if (auto* button = group_->button(index)) {
        button->setChecked(true);
    }
}

} // namespace deskmap::qt
