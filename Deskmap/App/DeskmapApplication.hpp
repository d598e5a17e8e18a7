#pragma once

#include "Deskmap/Qt/Popover/SpaceListPopover.hpp"
#include "Deskmap/Qt/Runtime/QtExecutor.hpp"
#include "Deskmap/ViewModel/DeskmapViewModel.hpp"

#include <QString>
#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <asio/thread_pool.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace deskmap::qt {
class AppBusService;
class FirstTimeSetupWindowController;
class ShellIndicatorWatch;
class SettingsView;
class TrayHostWatch;
class TrayIcon;
} // namespace deskmap::qt

namespace deskmap::app {

// How the app ends and how long it waits for its work to end. Tests pass
// shorter times and an `endProcess` that records instead of exiting.
struct ApplicationLifetime {
    // After Quit, how long the background work may take to end before the
    // process ends without it (a keychain call held by an unlock prompt, a
    // read a window server never answers).
    std::chrono::milliseconds quitDeadline{5000};
    // Ends the process at once with the status given. Used when the work
    // did not end in time or Quit was asked twice: the threads still
    // running would make an orderly teardown wait, and nothing is written
    // at exit (settings are stored when they change).
    std::function<void(int)> endProcess;
};

// The running app: its threads, the one view model, the tray icon, the
// Space list and the Settings and setup windows. Make it after the
// QApplication, over the services the view model reads (the production ones,
// or fakes in tests).
class DeskmapApplication {
public:
    explicit DeskmapApplication(ViewModelServices services, ViewModelTiming timing = {},
                                ApplicationLifetime lifetime = {});
    ~DeskmapApplication();
    DeskmapApplication(const DeskmapApplication&) = delete;
    DeskmapApplication& operator=(const DeskmapApplication&) = delete;

    // Shows the tray icon (or, with no tray on this desktop, the Space list
    // as a window) and the setup wizard while setup is incomplete, then runs
    // until Quit. Where the desktop shows Deskmap's own top-bar entry, that
    // entry is the tray. With `showList`, the Space list opens at once.
    int run(bool showList);
    // Renders the Space list after its first refresh into `path` (PNG).
    int screenshot(const QString& path);

    // Opens the Space list, as a second launch or --show asks.
    void showList();
    // Ends the background work, then the event loop, with `exitCode`. Asked
    // again while the work ends, ends the process at once.
    void quit(int exitCode = 0);
    // Told once, on the GUI thread, when quitting starts (before any work
    // has ended): a relaunch from then on must not reach this instance.
    void setQuitStartedHandler(std::function<void()> handler);
    // Which desktop this app shows, as status bars compare it before they
    // follow its state (see platform::sessionDesktopKey). Set before run().
    void setDesktopKey(std::string key) { desktopKey_ = std::move(key); }

    const std::shared_ptr<DeskmapViewModel>& viewModel() const { return model_; }

private:
    void makeList(qt::SpaceListPopover::Mode mode);
    void showTray();
    void moveToTray();
    // Follows the desktop's own top-bar entry coming and going.
    void followShellIndicator();
    void showSettings();
    void showSetup();
    void endNow(int exitCode);
    int finishLoop(int loopResult);

    ApplicationLifetime lifetime_;
    // Declared so that they are destroyed in this order: the windows, the
    // view model, the Qt loop's queue, the worker's queue, the pool. Work
    // dropped from a queue still holds strands of the later contexts.
    asio::thread_pool background_{2}; // two: a keychain prompt never holds up a read
    asio::io_context worker_;
    asio::executor_work_guard<asio::io_context::executor_type> work_;
    std::thread workerThread_;
    qt::QtEventLoopContext context_;

    std::shared_ptr<DeskmapViewModel> model_;
    std::unique_ptr<qt::FirstTimeSetupWindowController> setup_;
    std::unique_ptr<qt::SpaceListPopover> popover_;
    std::unique_ptr<qt::SettingsView> settings_;
    std::unique_ptr<qt::TrayIcon> tray_;
    std::unique_ptr<qt::TrayHostWatch> trayWatch_; // while no tray is there
    std::unique_ptr<qt::AppBusService> bus_;
    std::optional<std::size_t> faceObserver_; // publishes the state to bus_
    std::unique_ptr<qt::ShellIndicatorWatch> indicator_;
    std::function<void()> quitStarted_;
    std::string desktopKey_;
    bool quitting_ = false;
    bool workEnded_ = false;
    int exitCode_ = 0;
};

} // namespace deskmap::app
