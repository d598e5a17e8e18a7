#pragma once

#include <QObject>
#include <memory>

namespace deskmap::qt {

// Tells when a tray may have appeared (or gone): Qt says whether one is
// there but not when that changes, and at login the app often starts before
// the panel. Listens, never polls: on X11 to the owner of the tray manager
// selection (_NET_SYSTEM_TRAY_S<screen>), on the session bus to the
// StatusNotifier watcher's name.
class TrayHostWatch : public QObject {
    Q_OBJECT

public:
    explicit TrayHostWatch(QObject* parent = nullptr);
    ~TrayHostWatch() override;

Q_SIGNALS:
    void changed();

private:
    struct X11Selection;
    std::unique_ptr<X11Selection> x11_;
};

} // namespace deskmap::qt
