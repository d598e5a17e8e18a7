// Deskmap's KWin script. KWin runs one copy per Deskmap process; the line
// Deskmap puts before this text names that process's bus connection
// (`deskmapCallback`). The script sends KWin's virtual desktops, screens and
// windows there as JSON text on load and again after every change, bursts
// coalesced. It reads nothing but window metadata and changes nothing.
//
// Both scripting interfaces are spoken, chosen by what the workspace offers:
// KWin 5.27 (clientList, desktops as numbers) and KWin 6 (windowList,
// desktops and screens as objects, per-screen current desktops since 6.5).
(function () {
    "use strict";

    var interfaceVersion = 1;
    var objectPath = "/com/quillary/deskmap/KWin";
    var interfaceName = "com.quillary.deskmap.KWin";
    var coalesceMilliseconds = 50;

    var modern = typeof workspace.windowList === "function";
    var lastSent = null;
    var timer = null;
    var watched = [];

    function rect(geometry) {
        return {
            x: Math.round(geometry.x),
            y: Math.round(geometry.y),
            width: Math.round(geometry.width),
            height: Math.round(geometry.height)
        };
    }

    function text(value) {
        return value === undefined || value === null ? "" : String(value);
    }

    function windows() {
        return modern ? workspace.windowList() : workspace.clientList();
    }

    function screens() {
        if (modern) {
            return workspace.screens.map(function (output) {
                var screen = rect(output.geometry);
                screen.name = text(output.name);
                if (typeof workspace.currentDesktopForScreen === "function") {
                    var current = workspace.currentDesktopForScreen(output);
                    if (current) {
                        screen.current = text(current.id);
                    }
                }
                return screen;
            });
        }
        var list = [];
        for (var index = 0; index < workspace.numScreens; ++index) {
            var screen = rect(workspace.clientArea(KWin.ScreenArea, index, workspace.currentDesktop));
            screen.name = "";
            list.push(screen);
        }
        return list;
    }

    // Deskmap's own windows are in no map.
    function isDeskmap(window) {
        return text(window.desktopFileName) === "com.quillary.deskmap" ||
            text(window.resourceClass) === "com.quillary.deskmap" ||
            text(window.resourceClass) === "deskmap-app";
    }

    // A Wayland client cannot place its windows: Deskmap's list opens
    // beside the pointer (over the tray icon that was clicked), inside the
    // work area, rather than wherever KWin would put a new window.
    function placeList(window) {
        if (!isDeskmap(window) || text(window.caption) !== "Deskmap" ||
            typeof workspace.clientArea !== "function") {
            return;
        }
        var area = workspace.clientArea(KWin.MaximizeArea, window);
        var frame = window.frameGeometry;
        var pointer = workspace.cursorPos;
        function within(value, low, length, size) {
            return Math.round(Math.max(low, Math.min(value, low + length - size)));
        }
        window.frameGeometry = {
            x: within(pointer.x - frame.width / 2, area.x, area.width, frame.width),
            y: within(pointer.y, area.y, area.height, frame.height),
            width: frame.width,
            height: frame.height
        };
    }

    function windowEntry(window, desktopIds, screenOf) {
        return {
            id: text(window.internalId),
            desktopFile: text(window.desktopFileName),
            resourceClass: text(window.resourceClass),
            caption: text(window.caption),
            desktops: window.onAllDesktops ? [] : desktopIds(window),
            onAllDesktops: Boolean(window.onAllDesktops),
            screen: screenOf(window),
            normal: Boolean(window.normalWindow) && !window.skipTaskbar && !window.deleted &&
                !isDeskmap(window),
            pid: typeof window.pid === "number" ? window.pid : 0,
            frame: rect(window.frameGeometry)
        };
    }

    // `desktops`: [{id, name}] in order; `current`: the current one's id.
    function state(desktops, current, desktopIds, screenOf) {
        return {
            version: interfaceVersion,
            desktops: desktops,
            current: current,
            screens: screens(),
            pointer: { x: Math.round(workspace.cursorPos.x), y: Math.round(workspace.cursorPos.y) },
            windows: windows().map(function (window) {
                return windowEntry(window, desktopIds, screenOf);
            })
        };
    }

    function modernState() {
        var outputs = workspace.screens;
        return state(
            workspace.desktops.map(function (desktop) {
                return { id: text(desktop.id), name: text(desktop.name) };
            }),
            text(workspace.currentDesktop.id),
            function (window) {
                return window.desktops.map(function (desktop) { return text(desktop.id); });
            },
            function (window) { return outputs.indexOf(window.output); });
    }

    // KWin 5.27 names desktops by number only: their ids and names come
    // from its own virtual desktop manager, positions in order.
    function legacyState(list) {
        var desktops = [];
        for (var index = 0; index < list.length; ++index) {
            var entry = list[index];
            if (entry && entry.length === 3) {
                desktops.push({ id: text(entry[1]), name: text(entry[2]) });
            }
        }
        function idOf(number) {
            var desktop = desktops[number - 1];
            return desktop ? desktop.id : "";
        }
        return state(
            desktops,
            idOf(workspace.currentDesktop),
            function (window) {
                var numbers = window.x11DesktopIds || [window.desktop];
                var ids = [];
                for (var each = 0; each < numbers.length; ++each) {
                    ids.push(idOf(numbers[each]));
                }
                return ids;
            },
            function (window) { return typeof window.screen === "number" ? window.screen : -1; });
    }

    function send(current) {
        // The pointer alone is no change worth a message.
        var comparable = JSON.stringify(Object.assign({}, current, { pointer: null }));
        if (comparable === lastSent) {
            return;
        }
        lastSent = comparable;
        callDBus(deskmapCallback, objectPath, interfaceName, "State", JSON.stringify(current));
    }

    // What Deskmap hears instead of a state it cannot trust.
    function failed(error) {
        lastSent = null;
        callDBus(deskmapCallback, objectPath, interfaceName, "State",
                 JSON.stringify({ version: interfaceVersion, error: text(error) }));
    }

    function collect() {
        try {
            if (modern) {
                send(modernState());
                return;
            }
            callDBus("org.kde.KWin", "/VirtualDesktopManager", "org.freedesktop.DBus.Properties",
                     "Get", "org.kde.KWin.VirtualDesktopManager", "desktops", function (reply) {
                try {
                    send(legacyState(Array.isArray(reply) ? reply : []));
                } catch (error) {
                    failed(error);
                }
            });
        } catch (error) {
            failed(error);
        }
    }

    // The first change of a burst starts the wait: later ones join it
    // rather than putting it off, so a window retitled without pause is
    // still sent.
    function changed() {
        if (!timer) {
            collect();
        } else if (!timer.active) {
            timer.start();
        }
    }

    function connect(signal) {
        if (signal && typeof signal.connect === "function") {
            signal.connect(changed);
        }
    }

    function watchWindow(window) {
        if (watched.indexOf(window) >= 0) {
            return;
        }
        watched.push(window);
        [window.captionChanged, window.desktopChanged, window.desktopsChanged,
         window.screenChanged, window.outputChanged, window.skipTaskbarChanged]
            .forEach(connect);
    }

    function forgetWindow(window) {
        var index = watched.indexOf(window);
        if (index >= 0) {
            watched.splice(index, 1);
        }
    }

    function watchDesktops() {
        if (modern) {
            workspace.desktops.forEach(function (desktop) {
                if (watched.indexOf(desktop) < 0) {
                    watched.push(desktop);
                    connect(desktop.nameChanged);
                }
            });
        }
    }

    // A setup KWin does not allow is said once, instead of a silence.
    try {
        if (typeof QTimer === "function") {
            timer = new QTimer();
            timer.singleShot = true;
            timer.interval = coalesceMilliseconds;
            timer.timeout.connect(collect);
        }

        var added = modern ? workspace.windowAdded : workspace.clientAdded;
        var removed = modern ? workspace.windowRemoved : workspace.clientRemoved;
        added.connect(function (window) {
            watchWindow(window);
            changed();
            try {
                placeList(window);
            } catch (error) {
                // Where the list opens is no reason to lose the map.
            }
        });
        removed.connect(function (window) {
            forgetWindow(window);
            changed();
        });
        [workspace.currentDesktopChanged, workspace.numberDesktopsChanged,
         workspace.desktopLayoutChanged, workspace.desktopPresenceChanged,
         workspace.numberScreensChanged, workspace.screenResized, workspace.screensChanged]
            .forEach(connect);
        if (modern && workspace.desktopsChanged) {
            workspace.desktopsChanged.connect(function () {
                watchDesktops();
                changed();
            });
        }
        windows().forEach(watchWindow);
        watchDesktops();
        collect();
    } catch (error) {
        failed(error);
    }
})();
