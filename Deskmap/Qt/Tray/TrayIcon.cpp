#include "TrayIcon.hpp"

#include "AppIcon.hpp"
#include "Deskmap/Qt/Text/ViewTexts.hpp"

#include <QMenu>
#include <QSystemTrayIcon>

namespace deskmap::qt {

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent), menu_(std::make_unique<QMenu>()), icon_(new QSystemTrayIcon(this)) {
    icon_->setIcon(appIcon());
    icon_->setToolTip(ViewTexts::text(texts::appName));
    menu_->addAction(ViewTexts::text(texts::refreshNow), this, &TrayIcon::refreshRequested);
    menu_->addAction(ViewTexts::text(texts::settingsMenu), this, &TrayIcon::settingsRequested);
    menu_->addSeparator();
    menu_->addAction(ViewTexts::text(texts::quit), this, &TrayIcon::quitRequested);
    icon_->setContextMenu(menu_.get());
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    Q_EMIT clicked();
                }
            });
}

TrayIcon::~TrayIcon() {
    delete icon_; // before the menu it shows
}

void TrayIcon::show() {
    icon_->show();
}

void TrayIcon::hide() {
    icon_->hide();
}

QRect TrayIcon::geometry() const {
    return icon_->geometry();
}

} // namespace deskmap::qt
