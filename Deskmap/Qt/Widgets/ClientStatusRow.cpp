#include "ClientStatusRow.hpp"

#include "BusyIndicator.hpp"
#include "Deskmap/Qt/Text/ViewTexts.hpp"

#include <QHBoxLayout>
#include <QLabel>

namespace deskmap::qt {

ClientStatusRow::ClientStatusRow(QWidget* parent)
    : QWidget(parent), busy_(new BusyIndicator(this)), text_(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(busy_, 0, Qt::AlignTop);
    layout->addWidget(text_, 1);
    text_->setAccessibleName(ViewTexts::text(texts::clientStatus));
    text_->setTextFormat(Qt::PlainText); // a client's own words
    text_->setWordWrap(true);
    text_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void ClientStatusRow::setState(const InstalledClientVerificationState& state) {
    busy_->setVisible(ViewTexts::isChecking(state));
    text_->setText(ViewTexts::clientStatus(state));
    text_->setAccessibleDescription(text_->text());
    fitHeight();
}

void ClientStatusRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitHeight();
}

void ClientStatusRow::fitHeight() {
    // A failure can run to several lines; form layouts do not grow a row
    // for a wrapped label by themselves.
    setMinimumHeight(layout()->heightForWidth(width()));
}

} // namespace deskmap::qt
