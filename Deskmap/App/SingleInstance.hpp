#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <sys/types.h>

class QLocalServer;

namespace deskmap::app {

// One running app per user and graphical session, reached through a local
// socket in a directory only that user can enter. The first launch listens;
// a later one hands its request over and ends. Both ends check that the
// other runs as the same user, so nobody else can take the socket's place or
// ask this app for anything.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // `socketPath` is in a directory checked to be private (see
    // socketPathFor); `owner` is the user both ends must run as.
    SingleInstance(QString socketPath, uid_t owner, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The first of `directories` that is, or can be made, a directory of
    // `owner` that no one else may enter (a symbolic link never is), with
    // the session's socket in it; empty with `error` saying why none was.
    static QString socketPathFor(const QStringList& directories, const QString& session,
                                 uid_t owner, QString& error);
    // This process's: $XDG_RUNTIME_DIR/deskmap, else /tmp/deskmap-UID, else
    // ~/.cache/deskmap/run; the session is the Wayland or X display.
    static QString defaultSocketPath(QString& error);

    enum class Claim { listening, forwarded, failed };
    // Becomes the session's instance (listening), or hands "show" to the
    // one running (forwarded); `error` says why when neither worked. Two
    // launches at once take turns, so exactly one of them listens.
    Claim claim(QString& error);
    // Stops listening and removes the socket: a launch from now on starts
    // an instance of its own.
    void close();

Q_SIGNALS:
    void showRequested();

private:
    enum class Forward { delivered, nobodyListening, foreignPeer };
    Forward forwardShowToRunningInstance() const;
    bool listen(QString& error);

    QString socketPath_;
    uid_t owner_;
    QLocalServer* server_ = nullptr;
};

} // namespace deskmap::app
