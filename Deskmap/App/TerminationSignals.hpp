#pragma once

#include <QObject>

class QSocketNotifier;

namespace deskmap::app {

// SIGTERM and SIGINT as a Qt signal on the GUI thread, so that they quit the
// app the way its Quit command does. One instance per process.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void received();

private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace deskmap::app
