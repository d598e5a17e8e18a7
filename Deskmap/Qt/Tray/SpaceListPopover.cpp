#include "SpaceListPopover.hpp"

#include "Deskmap/Qt/Popover/SpaceListView.hpp"
#include "PopoverPlacement.hpp"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace deskmap::qt {

SpaceListPopover::SpaceListPopover(std::shared_ptr<DeskmapViewModel> model, Mode mode,
                                   QWidget* parent)
    : QWidget(parent, mode == Mode::popup ? Qt::Popup : Qt::Window), mode_(mode),
      view_(new SpaceListView(std::move(model), this)) {
    setWindowTitle(QStringLiteral("Deskmap"));
    setAccessibleName(QStringLiteral("Deskmap"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    setFocusProxy(view_);
    connect(view_, &SpaceListView::switchStarted, this, [this] {
        if (mode_ == Mode::popup) {
            hide();
        }
    });
    connect(view_, &SpaceListView::settingsRequested, this, [this] {
        if (mode_ == Mode::popup) {
            hide();
        }
        Q_EMIT settingsRequested();
    });
    connect(view_, &SpaceListView::setupRequested, this, [this] {
        if (mode_ == Mode::popup) {
            hide();
        }
        Q_EMIT setupRequested();
    });
    connect(view_, &SpaceListView::quitRequested, this, &SpaceListPopover::quitRequested);
}

void SpaceListPopover::present(const QRect& anchor) {
    const QRect around = anchor.isValid() ? anchor : QRect(QCursor::pos(), QSize(1, 1));
    QScreen* screen = QGuiApplication::screenAt(around.center());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect();
    view_->setAvailableScreenHeight(available.isValid() ? available.height() : 840);
    adjustSize();
    resize(std::max(width(), 420), sizeHint().height());
    if (mode_ == Mode::popup && available.isValid()) {
        move(popoverPosition(around, size(), available));
    }
    show();
    raise();
    activateWindow();
    view_->setFocus();
}

void SpaceListPopover::toggle(const QRect& anchor) {
    if (isVisible()) {
        hide();
        return;
    }
    if (sinceHidden_.isValid() && sinceHidden_.elapsed() < 300) {
        return; // the click that just closed it
    }
    present(anchor);
}

void SpaceListPopover::closeEvent(QCloseEvent* event) {
    if (mode_ == Mode::window) {
        // The window is the whole app here: closing it quits.
        event->ignore();
        Q_EMIT quitRequested();
        return;
    }
    QWidget::closeEvent(event);
}

void SpaceListPopover::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    sinceHidden_.start();
}

void SpaceListPopover::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && mode_ == Mode::popup) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace deskmap::qt
