#include "SingleInstance.hpp"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <unistd.h>

namespace deskmap::app {

namespace {

constexpr int connectTimeoutMs = 500;
const QByteArray showRequest = QByteArrayLiteral("show\n");

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), socketPath_(std::move(socketPath)) {}

QString SingleInstance::defaultSocketPath() {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QDir(folder).exists()) {
        folder = QDir::tempPath();
    }
    return QDir(folder).filePath(QStringLiteral("deskmap-%1.socket").arg(::getuid()));
}

SingleInstance::Claim SingleInstance::claim(QString& error) {
    QLockFile lock(socketPath_ + QStringLiteral(".lock"));
    if (!lock.tryLock(5000)) {
        error = QStringLiteral("another launch holds %1.lock").arg(socketPath_);
        return Claim::failed;
    }
    if (forwardShowToRunningInstance()) {
        return Claim::forwarded;
    }
    return listen(error) ? Claim::listening : Claim::failed;
}

bool SingleInstance::forwardShowToRunningInstance() const {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(connectTimeoutMs)) {
        return false;
    }
    socket.write(showRequest);
    const bool written = socket.waitForBytesWritten(connectTimeoutMs);
    socket.disconnectFromServer();
    return written;
}

bool SingleInstance::listen(QString& error) {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Nobody answered: a socket file left by an instance that crashed.
    QLocalServer::removeServer(socketPath_);
    if (!server_->listen(socketPath_)) {
        error = server_->errorString();
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (auto* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                // Requests are short lines; anything else is ignored.
                while (socket->canReadLine()) {
                    if (socket->readLine(64) == showRequest) {
                        Q_EMIT showRequested();
                    }
                }
                if (socket->bytesAvailable() > 64) {
                    socket->abort();
                }
            });
        }
    });
    return true;
}

} // namespace deskmap::app
