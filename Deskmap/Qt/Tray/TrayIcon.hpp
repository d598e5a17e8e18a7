#pragma once

#include <QObject>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace deskmap::qt {

// The icon in the desktop's tray: a click shows or hides the Space list;
// its menu holds Refresh Now, Settings… and Quit.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    void show();
    void hide();
    // Where the icon is on screen; empty when the tray does not say.
    QRect geometry() const;

Q_SIGNALS:
    void clicked();
    void refreshRequested();
    void settingsRequested();
    void quitRequested();

private:
    std::unique_ptr<QMenu> menu_;
    QSystemTrayIcon* icon_;
};

} // namespace deskmap::qt
