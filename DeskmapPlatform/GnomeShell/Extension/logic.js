// Deskmap's piece inside GNOME Shell: it tells Deskmap, over the session bus,
// which workspaces and windows exist (metadata only: app names and titles,
// never contents), switches workspaces when asked, and gives Deskmap a place
// in the top bar, since GNOME has no tray.
//
// This file is shared by the extension's two forms (GNOME 43–44 scripts and
// GNOME 45+ modules): everything the Shell provides comes in as `shell`, so
// nothing here depends on how it was imported.

// Bumped whenever the state or the methods change shape; Deskmap refuses a
// version it does not know.
var DESKMAP_INTERFACE_VERSION = 1;

var DESKMAP_SHELL_BUS_NAME = 'com.quillary.deskmap.GnomeShell';
var DESKMAP_SHELL_OBJECT_PATH = '/com/quillary/deskmap/GnomeShell';
var DESKMAP_APP_BUS_NAME = 'com.quillary.deskmap';
var DESKMAP_APP_OBJECT_PATH = '/com/quillary/deskmap';
var DESKMAP_APP_DESKTOP_ID = 'com.quillary.deskmap.desktop';

var DESKMAP_SHELL_INTERFACE = `
<node>
  <interface name="com.quillary.deskmap.GnomeShell">
    <method name="GetState">
      <arg type="s" direction="out" name="state"/>
    </method>
    <method name="ActivateWorkspace">
      <arg type="u" direction="in" name="id"/>
      <arg type="b" direction="out" name="activated"/>
    </method>
    <method name="ShowDeskmap">
      <arg type="b" direction="out" name="wasRunning"/>
    </method>
    <signal name="StateChanged"/>
    <property name="Version" type="u" access="read"/>
  </interface>
</node>`;

var DESKMAP_APP_INTERFACE = `
<node>
  <interface name="com.quillary.deskmap.App">
    <method name="Show"/>
    <method name="RefreshNow"/>
    <method name="ShowSettings"/>
    <method name="Quit"/>
  </interface>
</node>`;

// Bursts of changes (a window moved with its transients, a workspace
// removed with its windows) become one signal.
var DESKMAP_COALESCE_MILLISECONDS = 50;

// Deskmap's own windows (its list, Settings): Wayland app id or X11 class.
function deskmapIsOwnWindow(window) {
    const wmClass = window.get_wm_class() || '';
    return wmClass === 'com.quillary.deskmap' || wmClass === 'deskmap-app';
}

// Windows people work in, as a taskbar would list them; Deskmap's own list
// is no one's work.
function deskmapIsWorkWindow(shell, window) {
    const types = shell.Meta.WindowType;
    const type = window.get_window_type();
    return !window.is_skip_taskbar() && !deskmapIsOwnWindow(window) &&
        (type === types.NORMAL || type === types.DIALOG || type === types.MODAL_DIALOG ||
         type === types.UTILITY);
}

// Workspaces keep the same id for as long as they exist: GNOME removes empty
// workspaces in the middle, so positions shift under Deskmap's feet. One
// numbering for the Shell's whole life, so that turning the extension off
// and on (GNOME does at every screen lock) never gives an id to another
// workspace.
var deskmapSharedWorkspaceIds = null;
function deskmapWorkspaceIds() {
    let next = 1;
    let known = new Map();
    return {
        idOf(workspace) {
            let id = known.get(workspace);
            if (id === undefined) {
                id = next++;
                known.set(workspace, id);
            }
            return id;
        },
        // Forgets workspaces that are gone, so their objects can be freed.
        keepOnly(workspaces) {
            const kept = new Map();
            for (const workspace of workspaces) {
                kept.set(workspace, this.idOf(workspace));
            }
            known = kept;
        },
        find(id) {
            for (const [workspace, each] of known) {
                if (each === id)
                    return workspace;
            }
            return null;
        },
    };
}

// The whole state in one value: what GetState returns as JSON.
function deskmapState(shell, ids) {
    const {global, Meta, Shell} = shell;
    const display = global.display;
    const manager = global.workspace_manager;

    const workspaces = [];
    for (let index = 0; index < manager.get_n_workspaces(); index++)
        workspaces.push(manager.get_workspace_by_index(index));
    ids.keepOnly(workspaces);

    const monitors = [];
    for (let index = 0; index < display.get_n_monitors(); index++) {
        const rect = display.get_monitor_geometry(index);
        monitors.push({
            index,
            x: rect.x, y: rect.y, width: rect.width, height: rect.height,
            primary: index === display.get_primary_monitor(),
        });
    }
    const [pointerX, pointerY] = global.get_pointer();

    const tracker = Shell.WindowTracker.get_default();
    const windows = [];
    for (const actor of global.get_window_actors()) {
        const window = actor.get_meta_window();
        if (!window || window.is_override_redirect())
            continue;
        const app = tracker.get_window_app(window);
        const appId = window.get_wm_class();
        const workspace = window.get_workspace();
        const frame = window.get_frame_rect();
        windows.push({
            id: window.get_stable_sequence(),
            app: app ? app.get_name() : appId,
            appId,
            title: window.get_title(),
            monitor: window.get_monitor(),
            workspace: workspace && !window.is_on_all_workspaces() ? ids.idOf(workspace) : null,
            onAllWorkspaces: window.is_on_all_workspaces(),
            normal: deskmapIsWorkWindow(shell, window),
            focused: window === display.focus_window,
            pid: window.get_pid(),
            x: frame.x, y: frame.y, width: frame.width, height: frame.height,
        });
    }

    return {
        version: DESKMAP_INTERFACE_VERSION,
        workspacesOnlyOnPrimary: Meta.prefs_get_workspaces_only_on_primary(),
        dynamicWorkspaces: Meta.prefs_get_dynamic_workspaces(),
        monitors,
        pointer: {x: pointerX, y: pointerY},
        pointerMonitor: display.get_current_monitor(),
        workspaces: workspaces.map((workspace, index) => ({
            id: ids.idOf(workspace),
            name: Meta.prefs_get_workspace_name(index),
        })),
        activeWorkspace: ids.idOf(manager.get_active_workspace()),
        windows,
    };
}

// Listens to everything that changes the state and calls `changed` once per
// burst. Returns the function that stops listening.
function deskmapWatchChanges(shell, changed) {
    const {global, Gio, GLib, Main} = shell;
    const connections = [];
    const windowConnections = new Map();
    let pending = 0;

    const schedule = () => {
        if (pending)
            return;
        pending = GLib.timeout_add(GLib.PRIORITY_DEFAULT, DESKMAP_COALESCE_MILLISECONDS, () => {
            pending = 0;
            changed();
            return GLib.SOURCE_REMOVE;
        });
    };
    const listen = (object, signals) => {
        for (const signal of signals)
            connections.push([object, object.connect(signal, schedule)]);
    };
    const watchWindow = window => {
        if (windowConnections.has(window))
            return;
        const ids = ['notify::title', 'notify::wm-class', 'workspace-changed',
            'notify::on-all-workspaces', 'notify::skip-taskbar', 'notify::window-type']
            .map(signal => window.connect(signal, schedule));
        ids.push(window.connect('unmanaged', () => {
            forgetWindow(window);
            schedule();
        }));
        windowConnections.set(window, ids);
    };
    const forgetWindow = window => {
        for (const id of windowConnections.get(window) || [])
            window.disconnect(id);
        windowConnections.delete(window);
    };

    listen(global.workspace_manager, ['workspace-added', 'workspace-removed',
        'active-workspace-changed', 'workspaces-reordered']);
    listen(global.display, ['window-entered-monitor', 'window-left-monitor']);
    listen(Main.layoutManager, ['monitors-changed']);
    // The settings that change how workspaces map onto monitors.
    const mutter = new Gio.Settings({schema_id: 'org.gnome.mutter'});
    listen(mutter, ['changed::workspaces-only-on-primary', 'changed::dynamic-workspaces']);
    // The names of the workspaces, shown beside their numbers.
    const preferences = new Gio.Settings({schema_id: 'org.gnome.desktop.wm.preferences'});
    listen(preferences, ['changed::workspace-names']);
    connections.push([global.display, global.display.connect('window-created', (display, window) => {
        watchWindow(window);
        schedule();
    })]);
    for (const actor of global.get_window_actors()) {
        const window = actor.get_meta_window();
        if (window)
            watchWindow(window);
    }

    return () => {
        if (pending)
            GLib.source_remove(pending);
        pending = 0;
        for (const [object, id] of connections)
            object.disconnect(id);
        for (const window of [...windowConnections.keys()])
            forgetWindow(window);
    };
}

// The D-Bus service: the state, switching, the change signal, and what the
// top-bar entry's click does (for a keyboard shortcut of the user's too).
function deskmapService(shell, showDeskmap) {
    const {Gio, global} = shell;
    if (!deskmapSharedWorkspaceIds)
        deskmapSharedWorkspaceIds = deskmapWorkspaceIds();
    const ids = deskmapSharedWorkspaceIds;
    let lastSent = null;
    let exported = null;
    let ownerId = 0;
    let stopWatching = null;

    const implementation = {
        GetState() {
            return JSON.stringify(deskmapState(shell, ids));
        },
        ActivateWorkspace(id) {
            // Refresh the ids, so an id of a workspace removed since is not found.
            deskmapState(shell, ids);
            const workspace = ids.find(id);
            if (!workspace)
                return false;
            // Outside an event the current time is 0, which GNOME ignores.
            workspace.activate(global.display.get_current_time_roundtrip());
            return true;
        },
        ShowDeskmap() {
            return showDeskmap();
        },
        get Version() {
            return DESKMAP_INTERFACE_VERSION;
        },
    };

    const announce = () => {
        // Only real changes: a signal makes Deskmap read the whole state.
        const now = JSON.stringify(deskmapState(shell, ids));
        if (now === lastSent)
            return;
        lastSent = now;
        exported?.emit_signal('StateChanged', null);
    };

    return {
        start() {
            exported = Gio.DBusExportedObject.wrapJSObject(DESKMAP_SHELL_INTERFACE, implementation);
            exported.export(Gio.DBus.session, DESKMAP_SHELL_OBJECT_PATH);
            lastSent = JSON.stringify(deskmapState(shell, ids));
            stopWatching = deskmapWatchChanges(shell, announce);
            ownerId = Gio.bus_own_name_on_connection(Gio.DBus.session, DESKMAP_SHELL_BUS_NAME,
                Gio.BusNameOwnerFlags.NONE, null, null);
        },
        stop() {
            if (ownerId)
                Gio.bus_unown_name(ownerId);
            ownerId = 0;
            stopWatching?.();
            stopWatching = null;
            exported?.unexport();
            exported = null;
        },
    };
}

// Deskmap's entry in the top bar: a click shows Deskmap's list, its menu
// refreshes, opens Settings or quits; with no Deskmap running it offers to
// start one.
function deskmapIndicator(shell) {
    const {Gio, GLib, Shell, St, Clutter, Main, PanelMenu, PopupMenu, global, extensionPath} = shell;
    let button = null;
    let appRunning = false;
    let watchId = 0;
    const items = [];

    const callApp = method => {
        Gio.DBus.session.call(DESKMAP_APP_BUS_NAME, DESKMAP_APP_OBJECT_PATH,
            'com.quillary.deskmap.App', method, null, null, Gio.DBusCallFlags.NONE, 5000, null,
            (connection, result) => {
                try {
                    connection.call_finish(result);
                } catch (error) {
                    // The app went away between the click and the call:
                    // the menu now offers to start it.
                }
            });
    };
    // Wayland gives focus only to windows the Shell activates: the list
    // comes up with the keyboard, as a tray's would. It appears a moment
    // after the request; look for it for a short while.
    let focusing = 0;
    const focusAppWindow = () => {
        if (focusing)
            GLib.source_remove(focusing);
        let tries = 40;
        focusing = GLib.timeout_add(GLib.PRIORITY_DEFAULT, 50, () => {
            const list = global.get_window_actors()
                .map(actor => actor.get_meta_window())
                .find(window => window && deskmapIsOwnWindow(window) &&
                      window.get_title() === 'Deskmap' && window.showing_on_its_workspace());
            if (list)
                Main.activateWindow(list);
            if (list || --tries === 0) {
                focusing = 0;
                return GLib.SOURCE_REMOVE;
            }
            return GLib.SOURCE_CONTINUE;
        });
    };
    // Started through the Shell, as the app grid starts it, to be looked
    // at: its list shows once it is on the bus.
    let showWhenRunning = false;
    const startApp = () => {
        const app = Shell.AppSystem.get_default().lookup_app(DESKMAP_APP_DESKTOP_ID);
        if (!app) {
            Main.notifyError('Deskmap is not installed',
                `No ${DESKMAP_APP_DESKTOP_ID} was found to start.`);
            return;
        }
        showWhenRunning = true;
        app.activate();
    };
    const refreshMenu = () => {
        for (const [item, whenRunning] of items)
            item.visible = whenRunning === appRunning;
    };
    const addItem = (label, whenRunning, action) => {
        const item = new PopupMenu.PopupMenuItem(label);
        item.connect('activate', action);
        button.menu.addMenuItem(item);
        items.push([item, whenRunning]);
    };

    return {
        // What the top bar's click does: whether Deskmap was running.
        activate(startIfNeeded) {
            if (appRunning) {
                callApp('Show');
                focusAppWindow();
            } else if (startIfNeeded) {
                startApp();
            } else {
                button.menu.open();
            }
            return appRunning;
        },
        start() {
            button = new PanelMenu.Button(0.0, 'Deskmap', false);
            const icon = new St.Icon({
                gicon: Gio.icon_new_for_string(`${extensionPath}/deskmap-symbolic.svg`),
                style_class: 'system-status-icon',
            });
            button.add_child(icon);
            addItem('Refresh Now', true, () => callApp('RefreshNow'));
            addItem('Settings…', true, () => callApp('ShowSettings'));
            addItem('Quit', true, () => callApp('Quit'));
            addItem('Start Deskmap', false, startApp);
            // The primary button shows the list; the others open the menu.
            button.connect('event', (actor, event) => {
                const type = event.type();
                const press = type === Clutter.EventType.BUTTON_PRESS ||
                    type === Clutter.EventType.TOUCH_BEGIN;
                const primary = type === Clutter.EventType.TOUCH_BEGIN ||
                    event.get_button() === Clutter.BUTTON_PRIMARY;
                if (press && primary && appRunning) {
                    this.activate(false);
                    return Clutter.EVENT_STOP;
                }
                return Clutter.EVENT_PROPAGATE;
            });
            watchId = Gio.bus_watch_name_on_connection(Gio.DBus.session, DESKMAP_APP_BUS_NAME,
                Gio.BusNameWatcherFlags.NONE,
                () => {
                    appRunning = true;
                    refreshMenu();
                    if (showWhenRunning) {
                        showWhenRunning = false;
                        callApp('Show');
                        focusAppWindow();
                    }
                },
                () => {
                    appRunning = false;
                    refreshMenu();
                });
            refreshMenu();
            Main.panel.addToStatusArea('deskmap', button);
        },
        stop() {
            if (focusing)
                GLib.source_remove(focusing);
            focusing = 0;
            if (watchId)
                Gio.bus_unwatch_name(watchId);
            watchId = 0;
            items.length = 0;
            button?.destroy();
            button = null;
        },
    };
}

// The extension: the service and the indicator, started and stopped together.
function createDeskmapExtension(shell) {
    let service = null;
    let indicator = null;
    return {
        enable() {
            indicator = deskmapIndicator(shell);
            indicator.start();
            service = deskmapService(shell, () => indicator.activate(true));
            service.start();
        },
        disable() {
            service?.stop();
            service = null;
            indicator?.stop();
            indicator = null;
        },
    };
}
