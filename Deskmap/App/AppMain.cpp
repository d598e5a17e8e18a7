#include "AppMain.hpp"

#include "Deskmap/Qt/Tray/AppIcon.hpp"
#include "DeskmapApplication.hpp"
#include "DeskmapPlatform/DesktopSelection.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"
#include "DeskmapPlatform/UnavailableWindowServer.hpp"
#include "SingleInstance.hpp"
#include "TerminationSignals.hpp"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

bool asks(int argc, char** argv, const char* option) {
    for (int index = 1; index < argc; ++index) {
        if (std::strcmp(argv[index], option) == 0 ||
            std::strncmp(argv[index], option, std::strlen(option)) == 0) {
            return true;
        }
    }
    return false;
}

// The app writes no log: Qt's own notes (about the platform plugin, a
// missing runtime folder) are not for the user's terminal. A fatal one is
// the reason the program ends, so it is said.
void dropQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::cerr << "deskmap-app: " << message.toStdString() << "\n";
    }
}

bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// The desktop the user asked for or runs. A session that runs but cannot
// be read is not an error that ends the app: its list says why, and nothing
// made-up is shown.
std::shared_ptr<deskmap::platform::WindowServer>
openDesktop(const std::optional<std::string>& requested) {
    std::optional<std::string> notice;
    try {
        auto windowServer = deskmap::platform::openChosenDesktop(requested, &notice);
        if (notice) {
            std::cerr << "deskmap-app: " << *notice << "\n";
        }
        return windowServer;
    } catch (const deskmap::platform::UnsupportedSessionError& unsupported) {
        // Asked again on every read: at login the window manager may start
        // after the app.
        return std::make_shared<deskmap::platform::UnavailableWindowServer>(
            unsupported.what(), [requested]() -> std::shared_ptr<deskmap::platform::WindowServer> {
                try {
                    return deskmap::platform::openChosenDesktop(requested);
                } catch (const deskmap::platform::UnsupportedSessionError&) {
                    return nullptr;
                }
            });
    }
}

} // namespace

namespace deskmap::app {

int runDeskmapApp(int argc, char** argv, const ServicesFactory& makeServices,
                  const std::function<void(DeskmapApplication&)>& started) {
    // Keys pass through this process: no core file, and no other process of
    // the user, may read its memory.
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    const bool screenshot = asks(argc, argv, "--screenshot");
    const bool helpOnly = asks(argc, argv, "--help") || asks(argc, argv, "-h") ||
                          asks(argc, argv, "--version") || asks(argc, argv, "-v");
    // A picture needs no screen; --help and --version need none either.
    if (screenshot || helpOnly || !hasDisplay()) {
        if (!screenshot && !helpOnly) {
            std::cerr << "deskmap-app: " << deskmap::texts::noDisplay << "\n";
            return 1;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    qInstallMessageHandler(dropQtMessages);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("deskmap-app"));
    QApplication::setApplicationDisplayName(QStringLiteral("Deskmap"));
    QApplication::setApplicationVersion(QStringLiteral(DESKMAP_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("com.quillary.deskmap"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(deskmap::qt::appIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(deskmap::texts::help::app));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption showOption(QStringLiteral("show"),
                                        QString::fromUtf8(deskmap::texts::help::appShow));
    const QCommandLineOption desktopOption(QStringLiteral("desktop"),
                                           QString::fromUtf8(deskmap::texts::help::appDesktop),
                                           QStringLiteral("gnome|kde|sway|i3|x11|demo|PATH"));
    const QCommandLineOption screenshotOption(
        QStringLiteral("screenshot"), QString::fromUtf8(deskmap::texts::help::appScreenshot),
        QStringLiteral("FILE.png"));
    parser.addOptions({showOption, desktopOption, screenshotOption});
    parser.process(application);

    std::optional<std::string> desktop;
    if (parser.isSet(desktopOption)) {
        desktop = parser.value(desktopOption).toStdString();
    }

    try {
        if (parser.isSet(screenshotOption)) {
            DeskmapApplication app(makeServices(openDesktop(desktop)));
            return app.screenshot(parser.value(screenshotOption));
        }
        QString error;
        const QString socketPath = SingleInstance::defaultSocketPath(error);
        if (socketPath.isEmpty()) {
            std::cerr << "deskmap-app: " << error.toStdString() << "\n";
            return 1;
        }
        SingleInstance instance(socketPath, ::getuid());
        switch (instance.claim(error)) {
        case SingleInstance::Claim::forwarded:
            return 0; // the running Deskmap shows its list
        case SingleInstance::Claim::failed:
            std::cerr << "deskmap-app: cannot take the session's Deskmap socket: "
                      << error.toStdString() << "\n";
            return 1;
        case SingleInstance::Claim::listening:
            break;
        }
        // Signals are caught before the desktop is opened, so that a quit
        // asked during a slow start is not lost.
        TerminationSignals signals;
        bool quitEarly = false;
        QObject::connect(&signals, &TerminationSignals::received,
                         [&quitEarly] { quitEarly = true; });
        DeskmapApplication app(makeServices(openDesktop(desktop)));
        signals.disconnect();
        QObject::connect(&signals, &TerminationSignals::received, [&app] { app.quit(0); });
        QObject::connect(&instance, &SingleInstance::showRequested, [&app] { app.showList(); });
        // A relaunch while this one quits starts afresh instead of asking
        // the dying one to show its list.
        app.setQuitStartedHandler([&instance] { instance.close(); });
        app.setDesktopKey(deskmap::platform::sessionDesktopKey(desktop));
        if (started) {
            started(app);
        }
        if (quitEarly) {
            QTimer::singleShot(0, [&app] { app.quit(0); });
        }
        const int status = app.run(parser.isSet(showOption));
        // The work has ended or been given up; a signal during the teardown
        // that follows ends the process at once.
        signals.restoreDefaults();
        return status;
    } catch (const platform::DesktopSelectionError& failure) {
        std::cerr << "deskmap-app: " << failure.what() << "\n";
        return 2;
    } catch (const std::exception& failure) {
        std::cerr << "deskmap-app: " << failure.what() << "\n";
        return 70;
    }
}

} // namespace deskmap::app
