#pragma once

#include <QObject>

class QDBusServiceWatcher;

namespace deskmap::qt {

// Whether the desktop shows Deskmap's own entry in its top bar (GNOME, with
// Deskmap's Shell extension running), and when that changes. While it
// does, that entry is Deskmap's tray.
class ShellIndicatorWatch : public QObject {
    Q_OBJECT

public:
    explicit ShellIndicatorWatch(QObject* parent = nullptr);

    bool present() const { return present_; }

Q_SIGNALS:
    void changed();

private:
    void set(bool present);

    QDBusServiceWatcher* watcher_ = nullptr;
    bool present_ = false;
};

} // namespace deskmap::qt
