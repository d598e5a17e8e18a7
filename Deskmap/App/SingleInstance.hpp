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

    enum class Claim { listening, forwarded, failed };
    // Becomes the session's instance (listening), or hands "show" to the
    // one running (forwarded); `error` says why when neither worked. Two
    // launches at once take turns, so exactly one of them listens.
    Claim claim(QString& error);

Q_SIGNALS:
    void showRequested();

private:
    bool forwardShowToRunningInstance() const;
    bool listen(QString& error);

    QString socketPath_;
    QLocalServer* server_ = nullptr;
};

} // namespace deskmap::app
