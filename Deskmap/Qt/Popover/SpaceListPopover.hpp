#pragma once

#include "Deskmap/ViewModel/DeskmapViewModel.hpp"

#include <QElapsedTimer>
#include <QWidget>
#include <memory>

namespace deskmap::qt {

class SpaceListView;

// The window that holds the Space list. Beside a tray icon it is a popup:
// placed by the icon, closed by Escape, a click elsewhere or a switch that
// started. Opened from the desktop's own top-bar entry (GNOME) it is a
// frameless window the desktop places and focuses, closed the same ways.
// Without either it is an ordinary window titled "Deskmap", and closing it
// ends the application.
class SpaceListPopover : public QWidget {
    Q_OBJECT

public:
    enum class Mode { popup, panel, window };

    SpaceListPopover(std::shared_ptr<DeskmapViewModel> model, Mode mode, QWidget* parent = nullptr);

    Mode mode() const { return mode_; }
    SpaceListView* view() const { return view_; }

    // Shows the list beside `anchor` (global coordinates; empty: near the
    // pointer), raised and with the keyboard focus.
    void present(const QRect& anchor = {});
    // What a click on the tray icon does: shows it, or closes it when open.
    void toggle(const QRect& anchor = {});

Q_SIGNALS:
    void settingsRequested();
    void setupRequested();
    void quitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

protected:
    void changeEvent(QEvent* event) override;

private:
    // Whether it goes away once used, as a tray's popup does.
    bool isTransient() const { return mode_ != Mode::window; }
    QRect availableArea() const;
    // Sizes the list for the usable area of its screen and places it.
    void fitToScreen();

    Mode mode_;
    QRect anchor_;
    bool screenWatched_ = false;
    bool hadFocus_ = false;
    SpaceListView* view_;
    // A click on the tray icon first closes an open popup (a click outside
    // it); that same click must not open it again.
    QElapsedTimer sinceHidden_;
};

} // namespace deskmap::qt
