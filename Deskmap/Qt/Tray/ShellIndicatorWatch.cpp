#include "Deskmap/Qt/Tray/ShellIndicatorWatch.hpp"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>

namespace deskmap::qt {

namespace {

const QString extensionName = QStringLiteral("com.quillary.deskmap.GnomeShell");

} // namespace

ShellIndicatorWatch::ShellIndicatorWatch(QObject* parent) : QObject(parent) {
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    watcher_ = new QDBusServiceWatcher(extensionName, bus,
                                       QDBusServiceWatcher::WatchForRegistration |
                                           QDBusServiceWatcher::WatchForUnregistration,
                                       this);
    connect(watcher_, &QDBusServiceWatcher::serviceRegistered, this, [this] { set(true); });
    connect(watcher_, &QDBusServiceWatcher::serviceUnregistered, this, [this] { set(false); });
    if (auto* interface = bus.interface()) {
        present_ = interface->isServiceRegistered(extensionName).value();
    }
}

void ShellIndicatorWatch::set(bool present) {
    if (present != present_) {
        present_ = present;
        Q_EMIT changed();
    }
}

} // namespace deskmap::qt
