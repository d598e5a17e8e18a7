#pragma once

#include <QObject>

namespace deskmap::qt {

// The running app on the session bus (com.quillary.deskmap), so that the
// desktop's own entry for it (GNOME's top bar, through Deskmap's Shell
// extension) can show its list and reach its menu. Without a session bus,
// or with the name taken, nothing is exported and nothing fails: the tray
// and the single-instance socket still work.
class AppBusService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.quillary.deskmap.App")

public:
    explicit AppBusService(QObject* parent = nullptr);
    ~AppBusService() override;

    bool registered() const { return registered_; }

public Q_SLOTS:
    Q_SCRIPTABLE void Show();
    Q_SCRIPTABLE void RefreshNow();
    Q_SCRIPTABLE void ShowSettings();
    Q_SCRIPTABLE void Quit();

Q_SIGNALS:
    void showRequested();
    void refreshRequested();
    void settingsRequested();
    void quitRequested();

private:
    bool registered_ = false;
};

} // namespace deskmap::qt
