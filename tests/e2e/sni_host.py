#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
"""A small StatusNotifierItem host for the end-to-end scenarios.

  sni_host.py watch LOG     (LOG "-": standard output) owns org.kde.StatusNotifierWatcher on the session
                            bus, acts as its one host, and for every item that
                            registers writes "item SERVICE ID TITLE" to LOG
  sni_host.py activate SERVICE
                            calls Activate(0, 0) on an item, as a host does
                            for a left click on its icon
"""
import sys

from gi.repository import Gio, GLib

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
INTERFACE = """
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
</node>
"""


def read_item(bus, service, names, done, values=()):
    """Reads the item's properties one after the other without blocking, since
    the item may be asking this watcher something meanwhile."""
    if not names:
        done(values)
        return

    def got(connection, result):
        value = connection.call_finish(result).unpack()[0]
        read_item(bus, service, names[1:], done, values + (value,))

    bus.call(service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
             GLib.Variant("(ss)", (ITEM, names[0])), GLib.VariantType("(v)"), Gio.DBusCallFlags.NONE, 5000,
             None, got)


def watch(log_path):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    items = []
    if log_path == "-":
        sys.stdout.reconfigure(line_buffering=True)
        log = sys.stdout
    else:
        log = open(log_path, "a", buffering=1)

    def method_call(connection, sender, path, interface, method, params, invocation):
        invocation.return_value(None)
        if method == "RegisterStatusNotifierItem":
            service = params.unpack()[0]
            items.append(service)
            connection.emit_signal(None, "/StatusNotifierWatcher", WATCHER, "StatusNotifierItemRegistered",
                                   GLib.Variant("(s)", (service,)))
            read_item(bus, service, ["Id", "Title"],
                      lambda values: log.write("item %s %s %s\n" % ((service,) + values)))

    def get_property(connection, sender, path, interface, name):
        return {"RegisteredStatusNotifierItems": GLib.Variant("as", items),
                "IsStatusNotifierHostRegistered": GLib.Variant("b", True),
                "ProtocolVersion": GLib.Variant("i", 0)}[name]

    node = Gio.DBusNodeInfo.new_for_xml(INTERFACE)
    bus.register_object("/StatusNotifierWatcher", node.interfaces[0], method_call, get_property, None)
    loop = GLib.MainLoop()
    Gio.bus_own_name_on_connection(bus, WATCHER, Gio.BusNameOwnerFlags.NONE,
                                   lambda *_: log.write("watcher\n"), lambda *_: loop.quit())
    loop.run()


def activate(service):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    bus.call_sync(service, "/StatusNotifierItem", ITEM, "Activate", GLib.Variant("(ii)", (0, 0)), None,
                  Gio.DBusCallFlags.NONE, 5000, None)


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "watch":
        watch(sys.argv[2])
    elif len(sys.argv) == 3 and sys.argv[1] == "activate":
        activate(sys.argv[2])
    else:
        sys.exit(__doc__)
