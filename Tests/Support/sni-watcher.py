# A stand-in for Plasma's tray (its StatusNotifierWatcher, with a host
# registered): apps that register an item there show their icon in it. Each
# registration is printed as "REGISTER <sender>".
from gi.repository import Gio, GLib

INTERFACE = """<node><interface name='org.kde.StatusNotifierWatcher'>
<method name='RegisterStatusNotifierItem'><arg type='s' direction='in'/></method>
<method name='RegisterStatusNotifierHost'><arg type='s' direction='in'/></method>
<property name='IsStatusNotifierHostRegistered' type='b' access='read'/>
<property name='ProtocolVersion' type='i' access='read'/>
<property name='RegisteredStatusNotifierItems' type='as' access='read'/>
<signal name='StatusNotifierItemRegistered'><arg type='s'/></signal>
</interface></node>"""
items = []


def call(connection, sender, path, interface, method, parameters, invocation):
    items.append(sender)
    print("REGISTER", sender, flush=True)
    invocation.return_value(None)


def get(connection, sender, path, interface, name):
    return {
        "IsStatusNotifierHostRegistered": GLib.Variant("b", True),
        "ProtocolVersion": GLib.Variant("i", 0),
        "RegisteredStatusNotifierItems": GLib.Variant("as", items),
    }[name]


def acquired(connection, name):
    info = Gio.DBusNodeInfo.new_for_xml(INTERFACE).interfaces[0]
    connection.register_object("/StatusNotifierWatcher", info, call, get, None)


Gio.bus_own_name(Gio.BusType.SESSION, "org.kde.StatusNotifierWatcher", 0, acquired, None, None)
GLib.MainLoop().run()
