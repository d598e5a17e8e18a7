#include "Deskmap/Qt/Tray/AppBusService.hpp"

#include <QDBusConnection>

namespace deskmap::qt {

namespace {

const QString serviceName = QStringLiteral("com.quillary.deskmap");
const QString objectPath = QStringLiteral("/com/quillary/deskmap");

} // namespace

AppBusService::AppBusService(QObject* parent) : QObject(parent) {
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    // Requests arrive on the GUI thread, as the tray's clicks do.
    registered_ = bus.registerObject(objectPath, this, QDBusConnection::ExportScriptableSlots) &&
                  bus.registerService(serviceName);
    if (!registered_) {
        bus.unregisterObject(objectPath);
    }
}

AppBusService::~AppBusService() {
    if (registered_) {
        auto bus = QDBusConnection::sessionBus();
        bus.unregisterService(serviceName);
        bus.unregisterObject(objectPath);
    }
}

void AppBusService::Show() {
    Q_EMIT showRequested();
}

void AppBusService::RefreshNow() {
    Q_EMIT refreshRequested();
}

void AppBusService::ShowSettings() {
    Q_EMIT settingsRequested();
}

void AppBusService::Quit() {
    Q_EMIT quitRequested();
}

} // namespace deskmap::qt
