"""A stand-in for mutter's remote-desktop service that refuses every
session, on the message bus at argv[1], for the test of a GNOME session
that says no. Run with Debian's /usr/bin/python3 (python3-gi). Prints
"ready" once it owns org.gnome.Mutter.RemoteDesktop.
"""

import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

NAME = "org.gnome.Mutter.RemoteDesktop"
REFUSAL = "Remote desktop sessions are switched off by policy"
INTERFACE = Gio.DBusNodeInfo.new_for_xml("""
<node>
  <interface name="org.gnome.Mutter.RemoteDesktop">
    <method name="CreateSession"><arg name="session_path" type="o" direction="out"/></method>
  </interface>
</node>""").interfaces[0]


def answer(connection, sender, path, interface, method, parameters, invocation):
    invocation.return_dbus_error("org.freedesktop.DBus.Error.AccessDenied", REFUSAL)


def main():
    flags = Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION
    connection = Gio.DBusConnection.new_for_address_sync(sys.argv[1], flags, None, None)
    connection.register_object("/org/gnome/Mutter/RemoteDesktop", INTERFACE, answer, None, None)
    loop = GLib.MainLoop()
    Gio.bus_own_name_on_connection(connection, NAME, Gio.BusNameOwnerFlags.NONE,
                                   lambda *_: print("ready", flush=True), lambda *_: loop.quit())
    loop.run()


if __name__ == "__main__":
    main()
