#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace deskmap::app {

// One running app per user session, reached through a local socket under
// $XDG_RUNTIME_DIR. The first launch listens; a later one hands its request
// over and ends.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);

    // The socket of this user's session.
    static QString defaultSocketPath();

    // True when a running instance took the request "show".
    bool forwardShowToRunningInstance() const;
    // Starts listening; false (with the reason in `error`) when it cannot.
    bool listen(QString& error);

Q_SIGNALS:
    void showRequested();

private:
    QString socketPath_;
    QLocalServer* server_ = nullptr;
};

} // namespace deskmap::app
