#include "FirstTimeSetupWindowController.hpp"

#include "Deskmap/Qt/Text/ViewTexts.hpp"
#include "FirstTimeSetupView.hpp"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace deskmap::qt {

FirstTimeSetupWindowController::FirstTimeSetupWindowController(QObject* parent) : QObject(parent) {}

FirstTimeSetupWindowController::~FirstTimeSetupWindowController() {
    delete window_.data();
}

FirstTimeSetupView* FirstTimeSetupWindowController::window() const {
    return window_;
}

void FirstTimeSetupWindowController::showWhenApplicationIsReadyIfNeeded(
    const std::shared_ptr<DeskmapViewModel>& model) {
    waitThenShow(model);
}

void FirstTimeSetupWindowController::waitThenShow(std::weak_ptr<DeskmapViewModel> weakModel) {
    // Timers fire once the event loop runs; bound to this object, they are
    // dropped with the controller. The wizard also waits for the start-up
    // read of the saved key, which decides its first step.
    const auto alive = weakModel.lock();
    const bool ready = alive && alive->hasLoadedSavedState();
    QTimer::singleShot(ready ? 0 : 50, this, [this, weakModel, ready] {
        const auto model = weakModel.lock();
        if (!model || model->firstTimeSetupCompleted()) {
            return;
        }
        if (!ready) {
            waitThenShow(weakModel);
            return;
        }
        show(model);
    });
}

void FirstTimeSetupWindowController::show(const std::shared_ptr<DeskmapViewModel>& model) {
    if (window_) {
        window_->raise();
        window_->activateWindow();
        return;
    }
    const auto step = firstStep(model->firstTimeSetupReadiness());
    QPointer<FirstTimeSetupWindowController> controller(this);
    auto* window = new FirstTimeSetupView(model, step, [controller] {
        if (controller) {
            controller->close();
        }
    });
    window->setWindowTitle(ViewTexts::text(texts::setupWindowTitle));
    // Closable, neither resizable nor minimizable.
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (const auto* screen = QGuiApplication::primaryScreen()) {
        const auto area = screen->availableGeometry();
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }
    // Forgotten as soon as it closes, whether closed by the user or by
    // finishing; it is deleted later.
    connect(window, &FirstTimeSetupView::closed, this, [this, window] {
        if (window_ == window) {
            window_ = nullptr;
        }
    });
    window_ = window;
    window->show();
    window->raise();
    window->activateWindow();
}

void FirstTimeSetupWindowController::close() {
    if (window_) {
        window_->close();
    }
}

} // namespace deskmap::qt
