// The extension's entry for GNOME Shell 43 and 44, which load extensions as
// scripts; the work is in logic.js, shared with the 45+ form.
/* exported init */
const {Clutter, Gio, GLib, Meta, Shell, St} = imports.gi;
const Main = imports.ui.main;
const PanelMenu = imports.ui.panelMenu;
const PopupMenu = imports.ui.popupMenu;
const ExtensionUtils = imports.misc.extensionUtils;

function init() {
    const self = ExtensionUtils.getCurrentExtension();
    return self.imports.logic.createDeskmapExtension({
        Clutter, Gio, GLib, Meta, Shell, St, Main, PanelMenu, PopupMenu, global,
        extensionPath: self.path,
    });
}
