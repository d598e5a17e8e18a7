#include "DeskmapApplication.hpp"

#include "Deskmap/Qt/Popover/SpaceListPopover.hpp"
#include "Deskmap/Qt/Popover/SpaceListView.hpp"
#include "Deskmap/Qt/Settings/SettingsView.hpp"
#include "Deskmap/Qt/Setup/FirstTimeSetupWindowController.hpp"
#include "Deskmap/Qt/Tray/AppBusService.hpp"
#include "Deskmap/Qt/Tray/ShellIndicatorWatch.hpp"
#include "Deskmap/Qt/Tray/TrayHostWatch.hpp"
#include "Deskmap/Qt/Tray/TrayIcon.hpp"
#include "DeskmapPlatform/DesktopSelection.hpp"
#include "ExitWatchdog.hpp"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>
#include <asio/co_spawn.hpp>
#include <chrono>
#include <exception>
#include <iostream>
#include <unistd.h>

namespace deskmap::app {

namespace {

// Nothing is written at exit: what is buffered for the terminal goes out,
// then the process ends without running destructors or exit handlers.
void exitAtOnce(int exitCode) {
    std::cout.flush();
    std::cerr.flush();
    ::_exit(exitCode);
}

} // namespace

DeskmapApplication::DeskmapApplication(ViewModelServices services, ViewModelTiming timing,
                                       ApplicationLifetime lifetime)
    : lifetime_(std::move(lifetime)), work_(worker_.get_executor()) {
    if (!lifetime_.endProcess) {
        lifetime_.endProcess = exitAtOnce;
    }
    model_ = DeskmapViewModel::make(
        {context_.get_executor(), worker_.get_executor(), background_.get_executor()},
        std::move(services), timing);
    // Only once nothing above can throw: a running thread must be joined.
    workerThread_ = std::thread([this] { worker_.run(); });
    setup_ = std::make_unique<qt::FirstTimeSetupWindowController>();
}

DeskmapApplication::~DeskmapApplication() {
    // Once the work has ended the threads finish at once; should one still
    // be held (the app is destroyed without quitting), it must not keep the
    // process alive.
    const ExitWatchdog watchdog(lifetime_.quitDeadline, exitCode_, lifetime_.endProcess);
    // Windows hold the view model; the view model's work needs the threads.
    indicator_.reset();
    if (faceObserver_) {
        model_->removeObserver(*faceObserver_);
    }
    bus_.reset();
    trayWatch_.reset();
    tray_.reset();
    settings_.reset();
    popover_.reset();
    setup_.reset();
    model_.reset();
    work_.reset();
    worker_.stop();
    if (workerThread_.joinable()) {
        workerThread_.join();
    }
    background_.join();
}

int DeskmapApplication::run(bool showListAtStart) {
    if (desktopKey_.empty()) {
        desktopKey_ = platform::sessionDesktopKey(std::nullopt);
    }
    bus_ = std::make_unique<qt::AppBusService>(QString::fromStdString(desktopKey_));
    QObject::connect(bus_.get(), &qt::AppBusService::showRequested, [this] { showList(); });
    QObject::connect(bus_.get(), &qt::AppBusService::refreshRequested,
                     [this] { model_->refreshNow(); });
    QObject::connect(bus_.get(), &qt::AppBusService::settingsRequested, [this] { showSettings(); });
    QObject::connect(bus_.get(), &qt::AppBusService::quitRequested, [this] { quit(); });
    // Status bars on the session follow this state instead of summarizing
    // on their own.
    bus_->publish(barFace(model_->snapshot()));
    faceObserver_ = model_->addObserver([this](ViewModelProperty property) {
        if (property == ViewModelProperty::snapshot && bus_) {
            bus_->publish(barFace(model_->snapshot()));
        }
    });
    indicator_ = std::make_unique<qt::ShellIndicatorWatch>();
    QObject::connect(indicator_.get(), &qt::ShellIndicatorWatch::changed,
                     [this] { followShellIndicator(); });

    // The desktop's own entry for Deskmap is its tray: no second icon where
    // a tray also shows.
    const bool indicator = indicator_->present();
    const bool trayAvailable = !indicator && QSystemTrayIcon::isSystemTrayAvailable();
    makeList(indicator       ? qt::SpaceListPopover::Mode::panel
             : trayAvailable ? qt::SpaceListPopover::Mode::popup
                             : qt::SpaceListPopover::Mode::window);
    if (trayAvailable) {
        showTray();
    } else {
        // At login the panel often starts after the app: move to its tray
        // when one appears.
        trayWatch_ = std::make_unique<qt::TrayHostWatch>();
        QObject::connect(trayWatch_.get(), &qt::TrayHostWatch::changed, [this] {
            if (!tray_ && !quitting_ && !indicator_->present() &&
                QSystemTrayIcon::isSystemTrayAvailable()) {
                moveToTray();
            }
        });
    }
    // Without a tray the list is the app's window, shown from the start;
    // on GNOME only once its extension's entry has had a moment to come up
    // (at login both start together).
    if (showListAtStart) {
        QTimer::singleShot(0, [this] { showList(); });
    } else if (!trayAvailable && !indicator) {
        const bool gnome = platform::namesGnome(
            qEnvironmentVariableIsSet("XDG_CURRENT_DESKTOP")
                ? std::optional(qEnvironmentVariable("XDG_CURRENT_DESKTOP").toStdString())
                : std::nullopt);
        QTimer::singleShot(gnome ? 3000 : 0, [this] {
            if (popover_ && popover_->mode() == qt::SpaceListPopover::Mode::window) {
                showList();
            }
        });
    }
    setup_->showWhenApplicationIsReadyIfNeeded(model_);
    return finishLoop(QApplication::exec());
}

void DeskmapApplication::makeList(qt::SpaceListPopover::Mode mode) {
    popover_ = std::make_unique<qt::SpaceListPopover>(model_, mode);
    QObject::connect(popover_.get(), &qt::SpaceListPopover::settingsRequested,
                     [this] { showSettings(); });
    QObject::connect(popover_.get(), &qt::SpaceListPopover::setupRequested,
                     [this] { showSetup(); });
    QObject::connect(popover_.get(), &qt::SpaceListPopover::quitRequested, [this] { quit(); });
}

void DeskmapApplication::showTray() {
    tray_ = std::make_unique<qt::TrayIcon>();
    QObject::connect(tray_.get(), &qt::TrayIcon::clicked, [this] {
        if (!quitting_) {
            popover_->toggle(tray_->geometry());
        }
    });
    QObject::connect(tray_.get(), &qt::TrayIcon::refreshRequested,
                     [this] { model_->refreshNow(); });
    QObject::connect(tray_.get(), &qt::TrayIcon::settingsRequested, [this] { showSettings(); });
    QObject::connect(tray_.get(), &qt::TrayIcon::quitRequested, [this] { quit(); });
    tray_->show();
}

void DeskmapApplication::moveToTray() {
    // The window gives way to a popup beside the icon; hiding it is not
    // closing it, which would quit.
    popover_->hide();
    popover_.reset();
    makeList(qt::SpaceListPopover::Mode::popup);
    showTray();
}

void DeskmapApplication::followShellIndicator() {
    if (quitting_ || !popover_) {
        return;
    }
    if (indicator_->present()) {
        if (tray_) {
            tray_->hide();
            tray_.reset();
        }
        if (popover_->mode() != qt::SpaceListPopover::Mode::panel) {
            popover_->hide();
            popover_.reset();
            makeList(qt::SpaceListPopover::Mode::panel);
        }
        return;
    }
    // The entry went: GNOME turns extensions off while the screen is
    // locked, and the user may have. A tray takes the app in where there is
    // one; otherwise nothing pops up, and the list still opens as a second
    // launch asks (deskmap-app --show).
    if (!tray_ && QSystemTrayIcon::isSystemTrayAvailable()) {
        moveToTray();
    }
}

int DeskmapApplication::finishLoop(int loopResult) {
    if (const auto failure = context_.takeFailure()) {
        std::rethrow_exception(failure);
    }
    return quitting_ ? exitCode_ : loopResult;
}

int DeskmapApplication::screenshot(const QString& path) {
    auto view = std::make_unique<qt::SpaceListView>(model_);
    view->setAvailableScreenHeight(1000);
    // After the first refresh, or what it shows by then.
    const auto started = std::chrono::steady_clock::now();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const auto& snapshot = model_->snapshot();
        // A desktop that cannot be read ends its refresh with no map: the
        // list then says why.
        const bool refreshed = snapshot.status != RefreshSnapshot::Status::refreshing &&
                               (snapshot.inventory.has_value() ||
                                snapshot.status == RefreshSnapshot::Status::collectionFailed);
        if (!refreshed && std::chrono::steady_clock::now() - started < std::chrono::seconds(60)) {
            return;
        }
        poll.stop();
        view->show();
        // Rows know their height once laid out; the list refits after that.
        for (int pass = 0; pass < 3; ++pass) {
            QCoreApplication::processEvents();
            view->adjustSize();
        }
        if (view->grab().save(path, "PNG")) {
            quit(0);
        } else {
            std::cerr << "deskmap-app: could not write " << path.toStdString() << "\n";
            quit(1);
        }
    });
    poll.start(50);
    return finishLoop(QApplication::exec());
}

void DeskmapApplication::showList() {
    if (popover_ && !quitting_) {
        popover_->present(tray_ ? tray_->geometry() : QRect());
    }
}

void DeskmapApplication::showSettings() {
    if (quitting_) {
        return;
    }
    if (!settings_) {
        settings_ = std::make_unique<qt::SettingsView>(model_);
    }
    settings_->present();
}

void DeskmapApplication::showSetup() {
    setup_->show(model_);
}

void DeskmapApplication::setQuitStartedHandler(std::function<void()> handler) {
    quitStarted_ = std::move(handler);
}

void DeskmapApplication::endNow(int exitCode) {
    lifetime_.endProcess(exitCode);
}

void DeskmapApplication::quit(int exitCode) {
    if (quitting_) {
        // Asked again (a second Ctrl-C): stop waiting for the work to end.
        if (!workEnded_) {
            endNow(exitCode_);
        }
        return;
    }
    quitting_ = true;
    exitCode_ = exitCode;
    if (quitStarted_) {
        quitStarted_();
    }
    if (tray_) {
        tray_->hide(); // not deleted: this may run inside its own menu's signal
    }
    if (popover_) {
        popover_->hide();
    }
    if (settings_) {
        settings_->hide();
    }
    // Work that does not end in time (a read the window server never
    // answers) must not keep the app from quitting; its threads could not
    // be joined, so the process ends without tearing them down.
    QTimer::singleShot(lifetime_.quitDeadline, [this] {
        if (!workEnded_) {
            endNow(exitCode_);
        }
    });
    // The loop keeps running while the work ends: a publish it waits for
    // needs this thread.
    asio::co_spawn(context_.get_executor(), model_->shutdown(), [this](std::exception_ptr) {
        workEnded_ = true;
        QCoreApplication::exit(exitCode_);
    });
}

} // namespace deskmap::app
