#include "SingleInstance.hpp"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace deskmap::app {

namespace {

constexpr int connectTimeoutMs = 500;
const QByteArray showRequest = QByteArrayLiteral("show\n");

// The user at the other end of a connected local socket.
std::optional<uid_t> peerUser(qintptr descriptor) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) !=
        0) {
        return std::nullopt;
    }
    return credentials.uid;
}

// Why `path` is no private directory of `owner`, or empty when it is one.
QString privacyProblem(const QByteArray& path, uid_t owner) {
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0) {
        return QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(path),
                                            QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (!S_ISDIR(status.st_mode)) {
        return QStringLiteral("%1 is not a directory").arg(QString::fromLocal8Bit(path));
    }
    if (status.st_uid != owner) {
        return QStringLiteral("%1 belongs to another user").arg(QString::fromLocal8Bit(path));
    }
    if ((status.st_mode & 077) != 0) {
        return QStringLiteral("%1 is open to other users").arg(QString::fromLocal8Bit(path));
    }
    return {};
}

// Makes `path` (its parent must exist) when missing, then checks it.
QString ensurePrivateDirectory(const QString& path, uid_t owner) {
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    }
    return privacyProblem(native, owner);
}

// A file-name-safe form of the display's name; long or unusual names are
// hashed, so that the socket's path stays within the system's limit.
QString sessionFileName(const QString& session) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9._:-]{1,32}$"));
    QString name = session.isEmpty() ? QStringLiteral("default") : session;
    if (!plain.match(name).hasMatch()) {
        name = QString::fromLatin1(
            QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
    }
    name.replace(QLatin1Char(':'), QLatin1Char('x'));
    return QStringLiteral("deskmap-%1.socket").arg(name);
}

} // namespace

SingleInstance::SingleInstance(QString socketPath, uid_t owner, QObject* parent)
    : QObject(parent), socketPath_(std::move(socketPath)), owner_(owner) {}

SingleInstance::~SingleInstance() {
    close();
}

QString SingleInstance::socketPathFor(const QStringList& directories, const QString& session,
                                      uid_t owner, QString& error) {
    QStringList problems;
    for (const auto& directory : directories) {
        if (directory.isEmpty()) {
            continue;
        }
        const QString problem = ensurePrivateDirectory(directory, owner);
        if (!problem.isEmpty()) {
            problems << problem;
            continue;
        }
        const QString path = QDir(directory).filePath(sessionFileName(session));
        if (static_cast<std::size_t>(QFile::encodeName(path).size()) >=
            sizeof(sockaddr_un::sun_path)) {
            problems << QStringLiteral("%1 is too long for a socket").arg(path);
            continue;
        }
        return path;
    }
    error = QStringLiteral("no private directory for the session's socket (%1)")
                .arg(problems.join(QStringLiteral("; ")));
    return {};
}

QString SingleInstance::defaultSocketPath(QString& error) {
    const uid_t owner = ::getuid();
    QStringList directories;
    if (const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR"); !runtime.isEmpty()) {
        // The runtime directory itself must be the user's own and private.
        if (privacyProblem(QFile::encodeName(runtime), owner).isEmpty()) {
            directories << QDir(runtime).filePath(QStringLiteral("deskmap"));
        }
    }
    directories << QStringLiteral("/tmp/deskmap-%1").arg(owner);
    if (const QString home = QDir::homePath(); !home.isEmpty() && home != QDir::rootPath()) {
        // Its parents are made as the user's own; only the last is checked.
        const QString cache = QDir(home).filePath(QStringLiteral(".cache/deskmap"));
        QDir().mkpath(cache);
        directories << QDir(cache).filePath(QStringLiteral("run"));
    }
    QString session = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (session.isEmpty()) {
        session = qEnvironmentVariable("DISPLAY");
    }
    return socketPathFor(directories, session, owner, error);
}

SingleInstance::Claim SingleInstance::claim(QString& error) {
    QLockFile lock(socketPath_ + QStringLiteral(".lock"));
    if (!lock.tryLock(5000)) {
        error = QStringLiteral("another launch holds %1.lock").arg(socketPath_);
        return Claim::failed;
    }
    switch (forwardShowToRunningInstance()) {
    case Forward::delivered:
        return Claim::forwarded;
    case Forward::foreignPeer:
        error = QStringLiteral("%1 is held by a process of another user").arg(socketPath_);
        return Claim::failed;
    case Forward::nobodyListening:
        break;
    }
    return listen(error) ? Claim::listening : Claim::failed;
}

void SingleInstance::close() {
    if (server_) {
        server_->close(); // removes the socket file
        delete server_;
        server_ = nullptr;
    }
}

SingleInstance::Forward SingleInstance::forwardShowToRunningInstance() const {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(connectTimeoutMs)) {
        return Forward::nobodyListening;
    }
    if (peerUser(socket.socketDescriptor()) != owner_) {
        socket.abort();
        return Forward::foreignPeer;
    }
    socket.write(showRequest);
    const bool written = socket.waitForBytesWritten(connectTimeoutMs);
    socket.disconnectFromServer();
    return written ? Forward::delivered : Forward::nobodyListening;
}

bool SingleInstance::listen(QString& error) {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Nobody answered: a socket file left by an instance that crashed.
    QLocalServer::removeServer(socketPath_);
    if (!server_->listen(socketPath_)) {
        error = server_->errorString();
        delete server_;
        server_ = nullptr;
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (auto* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            if (peerUser(socket->socketDescriptor()) != owner_) {
                socket->abort(); // another user has nothing to ask of this app
                continue;
            }
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
