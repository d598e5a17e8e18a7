// The extension's entry for GNOME Shell 45 and later, which load extensions
// as modules; the work is in logic.js, shared with the 43–44 form.
import Clutter from 'gi://Clutter';
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import Meta from 'gi://Meta';
import Shell from 'gi://Shell';
import St from 'gi://St';
import * as Main from 'resource:///org/gnome/shell/ui/main.js';
import * as PanelMenu from 'resource:///org/gnome/shell/ui/panelMenu.js';
import * as PopupMenu from 'resource:///org/gnome/shell/ui/popupMenu.js';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

import {createDeskmapExtension} from './logic.js';

export default class DeskmapExtension extends Extension {
    enable() {
        this._deskmap = createDeskmapExtension({
            Clutter, Gio, GLib, Meta, Shell, St, Main, PanelMenu, PopupMenu, global,
            extensionPath: this.path,
        });
        this._deskmap.enable();
    }

    disable() {
        this._deskmap?.disable();
        this._deskmap = null;
    }
}
