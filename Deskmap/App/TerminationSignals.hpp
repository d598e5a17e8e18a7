#pragma once

#include <QObject>

class QSocketNotifier;

namespace deskmap::app {

// SIGTERM, SIGINT and SIGHUP (the session that started it has ended) as a Qt
// signal on the GUI thread, so that they quit the app the way its Quit
// command does. One instance per process; its destruction restores the
// default handlers.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // From now on the signals act as they do by default (they end the
    // process at once); as when destroyed.
    void restoreDefaults();

Q_SIGNALS:
    void received();

private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace deskmap::app
