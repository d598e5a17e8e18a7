#pragma once

#include "DeskmapCore/Inventory/Inventory.hpp"
#include "SpaceListPresentation.hpp"

#include <QAbstractButton>

class QLabel;

namespace deskmap::qt {

// One Space in the list: its number on a round badge (the accent colour for
// the current Space), its label with a STALE mark when the summary was made
// from other windows, and the summary in at most two lines. The whole row is
// one button.
class SpaceRow : public QAbstractButton {
    Q_OBJECT

public:
    SpaceRow(const SpaceInventory& space, const SpaceListPresentation::RowContent& content,
             QWidget* parent = nullptr);

    const SpaceInventory& space() const { return space_; }
    const SpaceListPresentation::RowContent& content() const { return content_; }
    // Keyboard selection, drawn like the pointer's hover.
    void setSelected(bool selected);
    bool isSelected() const { return selected_; }

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    SpaceInventory space_;
    SpaceListPresentation::RowContent content_;
    bool hovering_ = false;
    bool selected_ = false;
};

} // namespace deskmap::qt
