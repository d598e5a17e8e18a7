# A plain GTK 3 window on Wayland for the KWin tests: its program name (the
# second argument) becomes KWin's resource class. Given a third and fourth
# argument, it takes that title after that many seconds.
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402

GLib.set_prgname(sys.argv[2])
window = Gtk.Window(title=sys.argv[1])
window.set_default_size(320, 200)
window.connect("destroy", Gtk.main_quit)
window.show_all()
if len(sys.argv) > 4:
    GLib.timeout_add(int(float(sys.argv[4]) * 1000), lambda: window.set_title(sys.argv[3]))
Gtk.main()
