#pragma once

#include "Deskmap/Qt/Runtime/QtExecutor.hpp"
#include "Deskmap/ViewModel/DeskmapViewModel.hpp"

#include <QString>
#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <asio/thread_pool.hpp>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace deskmap::qt {
class FirstTimeSetupWindowController;
class SettingsView;
class SpaceListPopover;
class TrayIcon;
} // namespace deskmap::qt

namespace deskmap::app {

// The running app: its threads, the one view model, the tray icon, the
// Space list and the Settings and setup windows. Make it after the
// QApplication.
class DeskmapApplication {
public:
    // Opens `desktop` as every program chooses it; throws
    // platform::DesktopSelectionError when it cannot be opened.
    explicit DeskmapApplication(const std::optional<std::string>& desktop);
    ~DeskmapApplication();
    DeskmapApplication(const DeskmapApplication&) = delete;
    DeskmapApplication& operator=(const DeskmapApplication&) = delete;

    // Shows the tray icon (or, with no tray on this desktop, the Space list
    // as a window) and the setup wizard while setup is incomplete, then runs
    // until Quit. With `showList`, the Space list opens at once.
    int run(bool showList);
    // Renders the Space list after its first refresh into `path` (PNG).
    int screenshot(const QString& path);

    // Opens the Space list, as a second launch or --show asks.
    void showList();
    // Ends the background work, then the event loop, with `exitCode`.
    void quit(int exitCode = 0);

private:
    void showSettings();
    void showSetup();

    qt::QtEventLoopContext context_;
    asio::io_context worker_;
    asio::executor_work_guard<asio::io_context::executor_type> work_;
    std::thread workerThread_;
    // Two, so a keychain waiting on an unlock prompt never holds up a read.
    asio::thread_pool background_{2};

    std::shared_ptr<DeskmapViewModel> model_;
    std::unique_ptr<qt::FirstTimeSetupWindowController> setup_;
    std::unique_ptr<qt::SpaceListPopover> popover_;
    std::unique_ptr<qt::SettingsView> settings_;
    std::unique_ptr<qt::TrayIcon> tray_;
    bool quitting_ = false;
    int exitCode_ = 0;
};

} // namespace deskmap::app
