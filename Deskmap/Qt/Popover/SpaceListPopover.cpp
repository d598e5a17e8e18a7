#include "SpaceListPopover.hpp"

#include "Deskmap/Qt/Popover/SpaceListView.hpp"
#include "Deskmap/Qt/Text/ViewTexts.hpp"
#include "PopoverPlacement.hpp"
#include "StickyWindow.hpp"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace deskmap::qt {

SpaceListPopover::SpaceListPopover(std::shared_ptr<DeskmapViewModel> model, Mode mode,
                                   QWidget* parent)
    : QWidget(parent, mode == Mode::popup   ? Qt::Popup
                      : mode == Mode::panel ? Qt::Window | Qt::FramelessWindowHint
                                            : Qt::Window),
      mode_(mode), view_(new SpaceListView(std::move(model), this)) {
    setWindowTitle(ViewTexts::text(texts::appName));
    setAccessibleName(ViewTexts::text(texts::appName));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    if (mode == Mode::window) {
        // A window as large as its list and no larger: tiling window
        // managers float such a window instead of stretching it.
        layout->setSizeConstraint(QLayout::SetFixedSize);
    }
    setFocusProxy(view_);
    connect(view_, &SpaceListView::switchStarted, this, [this] {
        if (isTransient()) {
            hide();
        }
    });
    connect(view_, &SpaceListView::settingsRequested, this, [this] {
        if (isTransient()) {
            hide();
        }
        Q_EMIT settingsRequested();
    });
    connect(view_, &SpaceListView::setupRequested, this, [this] {
        if (isTransient()) {
            hide();
        }
        Q_EMIT setupRequested();
    });
    connect(view_, &SpaceListView::quitRequested, this, &SpaceListPopover::quitRequested);
}

QRect SpaceListPopover::availableArea() const {
    QScreen* screen = mode_ == Mode::popup ? QGuiApplication::screenAt(anchor_.center()) : nullptr;
    if (screen == nullptr) {
        screen = this->screen();
    }
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

void SpaceListPopover::fitToScreen() {
    const QRect available = availableArea();
    view_->setAvailableScreenHeight(available.isValid() ? available.height() : 840);
    adjustSize();
    if (mode_ == Mode::popup && available.isValid()) {
        move(popoverPosition(anchor_, size(), available));
    }
}

void SpaceListPopover::present(const QRect& anchor) {
    anchor_ = anchor.isValid() ? anchor : QRect(QCursor::pos(), QSize(1, 1));
    fitToScreen();
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

void SpaceListPopover::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    hadFocus_ = false;
    // As the app's window it stays in view across the switches made from it.
    if (mode_ == Mode::window) {
        showOnEveryWorkspace(this);
        QTimer::singleShot(0, this, [this] { showOnEveryWorkspace(this); }); // once mapped
    }
    // The usable area may change while the list shows (another screen, a
    // panel added); follow it.
    if (auto* handle = windowHandle(); handle != nullptr && !screenWatched_) {
        screenWatched_ = true;
        connect(handle, &QWindow::screenChanged, this, [this](QScreen* screen) {
            if (screen != nullptr) {
                connect(
                    screen, &QScreen::availableGeometryChanged, this, [this] { fitToScreen(); },
                    Qt::UniqueConnection);
            }
            fitToScreen();
        });
        if (auto* screen = handle->screen()) {
            connect(
                screen, &QScreen::availableGeometryChanged, this, [this] { fitToScreen(); },
                Qt::UniqueConnection);
        }
    }
}

void SpaceListPopover::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A list that grew (its first rows arrived) stays beside the icon and
    // inside the screen.
    if (mode_ == Mode::popup && isVisible()) {
        const QRect available = availableArea();
        if (available.isValid()) {
            move(popoverPosition(anchor_, size(), available));
        }
    }
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

void SpaceListPopover::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // A click elsewhere closes it, as it closes a popup; but only once it
    // has had the focus, which the desktop gives it a moment after it shows.
    if (event->type() != QEvent::ActivationChange || mode_ != Mode::panel || !isVisible()) {
        return;
    }
    if (isActiveWindow()) {
        hadFocus_ = true;
    } else if (hadFocus_) {
        hide();
    }
}

void SpaceListPopover::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    sinceHidden_.start();
}

void SpaceListPopover::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && isTransient()) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace deskmap::qt
