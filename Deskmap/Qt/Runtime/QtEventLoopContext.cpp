#include "QtEventLoopContext.hpp"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>
#include <cstdlib>
#include <mutex>

namespace deskmap::qt {

namespace {

// One registered event type for all posted work.
QEvent::Type workEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

class WorkEvent final : public QEvent {
public:
    explicit WorkEvent(std::unique_ptr<QtEventLoopContext::Work> work)
        : QEvent(workEventType()), work_(std::move(work)) {}
    void run() { work_->run(); }

private:
    std::unique_ptr<QtEventLoopContext::Work> work_;
};

} // namespace

// Lives on the loop's thread; Qt deletes events still queued for it when it
// is destroyed, which drops the work they carry.
class QtEventLoopContext::Receiver final : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() != workEventType()) {
            return QObject::event(event);
        }
        try {
            static_cast<WorkEvent*>(event)->run();
        } catch (...) {
            std::lock_guard lock(mutex);
            if (!failure) {
                failure = std::current_exception();
            }
            QCoreApplication::exit(EXIT_FAILURE);
        }
        return true;
    }

    std::mutex mutex;
    std::exception_ptr failure;
};

QtEventLoopContext::QtEventLoopContext() : receiver_(std::make_unique<Receiver>()) {}

QtEventLoopContext::~QtEventLoopContext() {
    // Services (timers, for one) may still hold work for this context: end
    // them, drop what is queued while the services that work may refer to
    // still exist, then destroy them.
    shutdown();
    QCoreApplication::removePostedEvents(receiver_.get(), workEventType());
    destroy();
}

void QtEventLoopContext::post(std::unique_ptr<Work> work) {
    QCoreApplication::postEvent(receiver_.get(), new WorkEvent(std::move(work)));
}

bool QtEventLoopContext::runningInThisThread() const noexcept {
    return receiver_->thread() == QThread::currentThread();
}

std::exception_ptr QtEventLoopContext::takeFailure() {
    std::lock_guard lock(receiver_->mutex);
    return std::exchange(receiver_->failure, nullptr);
}

} // namespace deskmap::qt
