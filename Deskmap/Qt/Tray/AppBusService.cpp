#include "Deskmap/Qt/Tray/AppBusService.hpp"

#include "DeskmapAppSupport/StatusBar/RunningAppBus.hpp"

#include <QDBusConnection>

namespace deskmap::qt {

namespace {

const QString serviceName = QString::fromLatin1(RunningAppBus::name);
const QString objectPath = QString::fromLatin1(RunningAppBus::path);

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

AppBusService::AppBusService(QString desktopKey, QObject* parent)
    : QObject(parent), desktopKey_(std::move(desktopKey)) {
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    // Requests arrive on the GUI thread, as the tray's clicks do.
    registered_ = bus.registerObject(objectPath, this,
                                     QDBusConnection::ExportScriptableSlots |
                                         QDBusConnection::ExportScriptableSignals) &&
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

void AppBusService::publish(const deskmap::BarFace& face) {
    if (face == face_) {
        return;
    }
    face_ = face;
    Q_EMIT BarFaceChanged(qText(face.text), qText(face.tooltip), qText(face.status),
                          qText(face.reason));
}

QString AppBusService::BarFace(QString& tooltip, QString& status, QString& reason) {
    tooltip = qText(face_.tooltip);
    status = qText(face_.status);
    reason = qText(face_.reason);
    return qText(face_.text);
}

} // namespace deskmap::qt
