#include "ClientStatusRow.hpp"

#include "BusyIndicator.hpp"
#include "ViewTexts.hpp"

#include <QHBoxLayout>
#include <QLabel>

namespace deskmap::qt {

ClientStatusRow::ClientStatusRow(QWidget* parent)
    : QWidget(parent), busy_(new BusyIndicator(this)), text_(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(busy_);
    layout->addWidget(text_, 1);
    text_->setAccessibleName(QStringLiteral("Client status"));
    text_->setWordWrap(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void ClientStatusRow::setState(const InstalledClientVerificationState& state) {
    busy_->setVisible(ViewTexts::isChecking(state));
    text_->setText(ViewTexts::clientStatus(state));
}

} // namespace deskmap::qt
