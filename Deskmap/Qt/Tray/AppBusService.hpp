#pragma once

#include "DeskmapAppSupport/StatusBar/BarFace.hpp"

#include <QObject>

namespace deskmap::qt {

// The running app on the session bus (com.quillary.deskmap), so that the
// desktop's own entry for it (GNOME's top bar, through Deskmap's Shell
// extension) can show its list and reach its menu. Without a session bus,
// or with the name taken, nothing is exported and nothing fails: the tray
// and the single-instance socket still work. It also publishes what a
// status bar shows of the app's state, so that a bar follows the app
// rather than summarizing the same Spaces again.
class AppBusService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.quillary.deskmap.App")

public:
    // `desktopKey`: which desktop the app shows, for a bar to compare with
    // its own before following.
    explicit AppBusService(QString desktopKey, QObject* parent = nullptr);
    ~AppBusService() override;

    bool registered() const { return registered_; }
    // Told on every published state; signalled to the bus when it changed.
    void publish(const deskmap::BarFace& face);

public Q_SLOTS:
    Q_SCRIPTABLE void Show();
    Q_SCRIPTABLE void RefreshNow();
    Q_SCRIPTABLE void ShowSettings();
    Q_SCRIPTABLE void Quit();
    // The face last published: text, then tooltip, status and reason.
    Q_SCRIPTABLE QString BarFace(QString& tooltip, QString& status, QString& reason);
    Q_SCRIPTABLE QString Desktop() const { return desktopKey_; }

Q_SIGNALS:
    void showRequested();
    void refreshRequested();
    void settingsRequested();
    void quitRequested();
    Q_SCRIPTABLE void BarFaceChanged(const QString& text, const QString& tooltip,
                                     const QString& status, const QString& reason);

private:
    bool registered_ = false;
    deskmap::BarFace face_;
    QString desktopKey_;
};

} // namespace deskmap::qt
