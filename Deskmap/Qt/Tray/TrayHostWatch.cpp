#include "TrayHostWatch.hpp"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdlib>
#include <string>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace deskmap::qt {

// A connection of its own, so its events never pass through Qt's.
struct TrayHostWatch::X11Selection {
    xcb_connection_t* connection = nullptr;
    std::uint8_t firstEvent = 0;
    QSocketNotifier* notifier = nullptr;

    ~X11Selection() {
        delete notifier;
        if (connection != nullptr) {
            xcb_disconnect(connection);
        }
    }

    // False when there is no X server or it lacks the XFixes extension.
    bool open() {
        int screenNumber = 0;
        connection = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(connection)) {
            return false;
        }
        const auto* extension = xcb_get_extension_data(connection, &xcb_xfixes_id);
        if (extension == nullptr || extension->present == 0) {
            return false;
        }
        firstEvent = extension->first_event;
        std::free(xcb_xfixes_query_version_reply(
            connection, xcb_xfixes_query_version(connection, 5, 0), nullptr));
        auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int skip = 0; skip < screenNumber && screens.rem > 0; ++skip) {
            xcb_screen_next(&screens);
        }
        if (screens.rem == 0) {
            return false;
        }
        const auto name = "_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber);
        auto* atom = xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data()),
            nullptr);
        if (atom == nullptr) {
            return false;
        }
        xcb_xfixes_select_selection_input(
            connection, screens.data->root, atom->atom,
            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        std::free(atom);
        xcb_flush(connection);
        return true;
    }

    // Whether a selection event arrived; reads everything that did.
    bool drain() {
        bool changed = false;
        while (auto* event = xcb_poll_for_event(connection)) {
            changed = changed ||
                      (event->response_type & 0x7F) == firstEvent + XCB_XFIXES_SELECTION_NOTIFY;
            std::free(event);
        }
        return changed;
    }
};

TrayHostWatch::TrayHostWatch(QObject* parent) : QObject(parent) {
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        auto selection = std::make_unique<X11Selection>();
        if (selection->open()) {
            selection->notifier = new QSocketNotifier(
                xcb_get_file_descriptor(selection->connection), QSocketNotifier::Read);
            connect(selection->notifier, &QSocketNotifier::activated, this, [this] {
                if (x11_->drain()) {
                    Q_EMIT changed();
                }
            });
            x11_ = std::move(selection);
            // A tray that came between the caller's look and this watch
            // starting is told too.
            QTimer::singleShot(0, this, [this] { Q_EMIT changed(); });
        }
    }
    auto bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        auto* watcher = new QDBusServiceWatcher(
            QStringLiteral("org.kde.StatusNotifierWatcher"), bus,
            QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration,
            this);
        connect(watcher, &QDBusServiceWatcher::serviceRegistered, this,
                [this] { Q_EMIT changed(); });
        connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this,
                [this] { Q_EMIT changed(); });
    }
}

TrayHostWatch::~TrayHostWatch() = default;

} // namespace deskmap::qt
