"""A small application that exists only on the accessibility bus, for the
tests of what the tool refuses to follow. Run with /usr/bin/python3 (Gio).

    fake_atspi_app.py --state FILE [--title T] [--bus ADDRESS] [--own-registry]
                      [--foreign desktop | --foreign app:PID] [--embed]
                      [--second-root TITLE] [--long-text CHARACTERS]
                      [--silent-own-socket]

It shows one window (role frame, titled T) holding a button "Fake button"
and a password field, and registers with the accessibility registry the way
toolkits do (Socket.Embed on the registry's root). Options:

    --bus ADDRESS    an accessibility bus of the test's own instead of the
                     session's (org.a11y.Bus GetAddress)
    --own-registry   also be the registry on that bus: own its name and list
                     this application as the desktop's only child
    --foreign desktop / app:PID
                     the window also lists, as its first child, an object of
                     another application: the registry's desktop, or the
                     application root of process PID
    --embed          the window also lists a plug on a second connection of
                     this process, whose Parent names the window (a socket
                     and its plug, as a browser and its web process)
    --second-root TITLE
                     a second connection of this process registers an
                     application root of its own, with one window titled
                     TITLE (a process with two accessibility roots)
    --long-text CHARACTERS
                     the window also holds a text of this many characters
                     ending in "needle"; its GetText calls are recorded as
                     {"getText": [start, end]}
    --silent-own-socket
                     GetApplicationBusAddress names a socket of this process
                     that takes connections and never answers

Whatever is done to it is appended to the state file as one JSON object a
line: {"pressed": name} for a DoAction, {"text": text} for SetTextContents.
Once registered it prints "ready" on standard output.
"""

import argparse
import json
import os
import socket
import sys

from gi.repository import Gio, GLib

ROOT = "/org/a11y/atspi/accessible/root"
NULL = "/org/a11y/atspi/null"
LONG_TEXT = "/org/a11y/atspi/accessible/long_text"
REGISTRY = "org.a11y.atspi.Registry"

ROLE_APPLICATION, ROLE_FRAME, ROLE_PUSH_BUTTON, ROLE_PASSWORD_TEXT, ROLE_PANEL, ROLE_DESKTOP = 75, 23, 43, 40, 39, 14
ROLE_TEXT, STATE_MULTI_LINE = 61, 17
STATE_EDITABLE, STATE_ENABLED, STATE_FOCUSABLE, STATE_SENSITIVE, STATE_SHOWING, STATE_VISIBLE = 7, 8, 11, 24, 25, 30

INTERFACES = """
<node>
 <interface name="org.a11y.atspi.Accessible">
  <method name="GetChildAtIndex"><arg direction="in" type="i"/><arg direction="out" type="(so)"/></method>
  <method name="GetChildren"><arg direction="out" type="a(so)"/></method>
  <method name="GetIndexInParent"><arg direction="out" type="i"/></method>
  <method name="GetRelationSet"><arg direction="out" type="a(ua(so))"/></method>
  <method name="GetRole"><arg direction="out" type="u"/></method>
  <method name="GetRoleName"><arg direction="out" type="s"/></method>
  <method name="GetLocalizedRoleName"><arg direction="out" type="s"/></method>
  <method name="GetState"><arg direction="out" type="au"/></method>
  <method name="GetAttributes"><arg direction="out" type="a{ss}"/></method>
  <method name="GetApplication"><arg direction="out" type="(so)"/></method>
  <method name="GetInterfaces"><arg direction="out" type="as"/></method>
  <property name="Name" type="s" access="read"/>
  <property name="Description" type="s" access="read"/>
  <property name="Parent" type="(so)" access="read"/>
  <property name="ChildCount" type="i" access="read"/>
  <property name="Locale" type="s" access="read"/>
  <property name="AccessibleId" type="s" access="read"/>
 </interface>
 <interface name="org.a11y.atspi.Application">
  <method name="GetApplicationBusAddress"><arg direction="out" type="s"/></method>
  <property name="ToolkitName" type="s" access="read"/>
  <property name="Version" type="s" access="read"/>
  <property name="AtspiVersion" type="s" access="read"/>
  <property name="Id" type="i" access="readwrite"/>
 </interface>
 <interface name="org.a11y.atspi.Component">
  <method name="GetExtents"><arg direction="in" type="u"/><arg direction="out" type="(iiii)"/></method>
  <method name="GrabFocus"><arg direction="out" type="b"/></method>
 </interface>
 <interface name="org.a11y.atspi.Action">
  <method name="GetActions"><arg direction="out" type="a(sss)"/></method>
  <method name="GetName"><arg direction="in" type="i"/><arg direction="out" type="s"/></method>
  <method name="DoAction"><arg direction="in" type="i"/><arg direction="out" type="b"/></method>
  <property name="NActions" type="i" access="read"/>
 </interface>
 <interface name="org.a11y.atspi.Text">
  <method name="GetText"><arg direction="in" type="i"/><arg direction="in" type="i"/><arg direction="out" type="s"/></method>
  <property name="CharacterCount" type="i" access="read"/>
  <property name="CaretOffset" type="i" access="read"/>
 </interface>
 <interface name="org.a11y.atspi.EditableText">
  <method name="SetTextContents"><arg direction="in" type="s"/><arg direction="out" type="b"/></method>
 </interface>
</node>
"""
NODE_INFO = Gio.DBusNodeInfo.new_for_xml(INTERFACES)


class Node:
    """One exported object. children: (bus, path) pairs, filled in later."""

    def __init__(self, path, role, name, parent, states, interfaces=(), extents=(0, 0, 0, 0)):
        self.path, self.role, self.name, self.parent = path, role, name, parent
        self.states, self.interfaces, self.extents = states, list(interfaces), extents
        self.children = []
        self.text = ""


class FakeApplication:
    def __init__(self, options):
        self.options = options
        self.state = options.state
        self.nodes = {}  # (connection, path) -> Node
        self.own_socket = None

    def record(self, event):
        with open(self.state, "a") as state:
            state.write(json.dumps(event) + "\n")

    def connect(self, address):
        flags = Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION
        return Gio.DBusConnection.new_for_address_sync(address, flags, None, None)

    def export(self, connection, node):
        self.nodes[(connection.get_unique_name(), node.path)] = node
        for name in ["org.a11y.atspi.Accessible"] + node.interfaces:
            info = NODE_INFO.lookup_interface(name)
            connection.register_object(node.path, info, self.on_call, self.on_property, None)

    def node_of(self, connection, path):
        return self.nodes.get((connection.get_unique_name(), path))

    def on_property(self, connection, sender, path, interface, prop):
        node = self.node_of(connection, path)
        values = {
            "Name": GLib.Variant("s", node.name),
            "Description": GLib.Variant("s", ""),
            "Parent": GLib.Variant("(so)", node.parent),
            "ChildCount": GLib.Variant("i", len(node.children)),
            "Locale": GLib.Variant("s", "C"),
            "AccessibleId": GLib.Variant("s", ""),
            "ToolkitName": GLib.Variant("s", "fake"),
            "Version": GLib.Variant("s", "1.0"),
            "AtspiVersion": GLib.Variant("s", "2.1"),
            "Id": GLib.Variant("i", 0),
            "NActions": GLib.Variant("i", 1),
            "CharacterCount": GLib.Variant("i", len(node.text)),
            "CaretOffset": GLib.Variant("i", 0),
        }
        return values[prop]

    def on_call(self, connection, sender, path, interface, method, args, invocation):
        node = self.node_of(connection, path)
        bus = connection.get_unique_name()
        reply = None
        if method == "GetChildren":
            reply = GLib.Variant("(a(so))", (node.children,))
        elif method == "GetChildAtIndex":
            index = args.unpack()[0]
            child = node.children[index] if 0 <= index < len(node.children) else ("", NULL)
            reply = GLib.Variant("((so))", (child,))
        elif method == "GetIndexInParent":
            reply = GLib.Variant("(i)", (0,))
        elif method == "GetRelationSet":
            reply = GLib.Variant("(a(ua(so)))", ([],))
        elif method == "GetRole":
            reply = GLib.Variant("(u)", (node.role,))
        elif method in ("GetRoleName", "GetLocalizedRoleName"):
            reply = GLib.Variant("(s)", ("fake role",))
        elif method == "GetState":
            bits = 0
            for state in node.states:
                bits |= 1 << state
            reply = GLib.Variant("(au)", ([bits & 0xFFFFFFFF, bits >> 32],))
        elif method == "GetAttributes":
            reply = GLib.Variant("(a{ss})", ({},))
        elif method == "GetApplication":
            reply = GLib.Variant("((so))", ((bus, ROOT),))
        elif method == "GetInterfaces":
            reply = GLib.Variant("(as)", (["org.a11y.atspi.Accessible"] + node.interfaces,))
        elif method == "GetExtents":
            reply = GLib.Variant("((iiii))", (node.extents,))
        elif method == "GrabFocus":
            reply = GLib.Variant("(b)", (True,))
        elif method == "GetActions":
            reply = GLib.Variant("(a(sss))", ([("click", "", "")],))
        elif method == "GetName":
            reply = GLib.Variant("(s)", ("click",))
        elif method == "DoAction":
            self.record({"pressed": node.name})
            reply = GLib.Variant("(b)", (True,))
        elif method == "GetApplicationBusAddress" and self.own_socket:
            reply = GLib.Variant("(s)", ("unix:path=" + self.own_socket,))
        elif method == "GetText":
            start, end = args.unpack()
            if node.path == LONG_TEXT:
                self.record({"getText": [start, end]})
            reply = GLib.Variant("(s)", (node.text[start:] if end == -1 else node.text[start:end],))
        elif method == "SetTextContents":
            node.text = args.unpack()[0]
            self.record({"text": node.text})
            reply = GLib.Variant("(b)", (True,))
        if reply is None:
            invocation.return_dbus_error("org.freedesktop.DBus.Error.UnknownMethod", method)
        else:
            invocation.return_value(reply)

    def foreign_child(self, connection):
        """The other application's object the window lists."""
        if self.options.foreign == "desktop":
            return (REGISTRY, ROOT)
        pid = int(self.options.foreign.split(":", 1)[1])
        desktop = connection.call_sync(REGISTRY, ROOT, "org.a11y.atspi.Accessible", "GetChildren", None,
                                       GLib.VariantType("(a(so))"), Gio.DBusCallFlags.NONE, 5000, None)
        for bus, path in desktop.unpack()[0]:
            owner = connection.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                         "GetConnectionUnixProcessID", GLib.Variant("(s)", (bus,)),
                                         GLib.VariantType("(u)"), Gio.DBusCallFlags.NONE, 5000, None)
            if owner.unpack()[0] == pid:
                return (bus, path)
        raise SystemExit("no application of process %d" % pid)

    def run(self):
        options = self.options
        address = options.bus
        if not address:
            session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
            reply = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                                      GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, 5000, None)
            address = reply.unpack()[0]
        app = self.connect(address)
        bus = app.get_unique_name()
        shown = [STATE_ENABLED, STATE_SENSITIVE, STATE_SHOWING, STATE_VISIBLE]
        root = Node(ROOT, ROLE_APPLICATION, "fake_atspi_app", (REGISTRY, ROOT), [], ["org.a11y.atspi.Application"])
        window_path = "/org/a11y/atspi/accessible/window"
        window = Node(window_path, ROLE_FRAME, options.title, (bus, ROOT), shown, ["org.a11y.atspi.Component"],
                      (100, 100, 400, 300))
        button = Node("/org/a11y/atspi/accessible/button", ROLE_PUSH_BUTTON, "Fake button", (bus, window_path),
                      shown + [STATE_FOCUSABLE], ["org.a11y.atspi.Component", "org.a11y.atspi.Action"],
                      (110, 110, 80, 30))
        password = Node("/org/a11y/atspi/accessible/password", ROLE_PASSWORD_TEXT, "Password", (bus, window_path),
                        shown + [STATE_FOCUSABLE, STATE_EDITABLE],
                        ["org.a11y.atspi.Component", "org.a11y.atspi.Text", "org.a11y.atspi.EditableText"],
                        (110, 150, 200, 30))
        root.children = [(bus, window_path)]
        window.children = [(bus, button.path), (bus, password.path)]
        for node in (root, window, button, password):
            self.export(app, node)

        if options.silent_own_socket:
            # Listening, never accepting: connections wait in the backlog unanswered.
            self.own_socket = os.path.join(os.path.dirname(os.path.abspath(options.state)), "own-socket")
            self.silent = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            self.silent.bind(self.own_socket)
            self.silent.listen(8)
        if options.long_text:
            text = Node(LONG_TEXT, ROLE_TEXT, "Long text", (bus, window_path), shown + [STATE_MULTI_LINE],
                        ["org.a11y.atspi.Component", "org.a11y.atspi.Text"], (110, 190, 200, 100))
            text.text = "a" * (options.long_text - len("needle")) + "needle"
            window.children.append((bus, LONG_TEXT))
            self.export(app, text)
        if options.foreign:
            window.children.insert(0, self.foreign_child(app))
        if options.embed:
            plug_connection = self.connect(address)
            plug_bus = plug_connection.get_unique_name()
            plug = Node("/org/a11y/atspi/accessible/plug", ROLE_PANEL, "Plug", (bus, window_path), shown,
                        ["org.a11y.atspi.Component"], (100, 200, 400, 100))
            inner = Node("/org/a11y/atspi/accessible/embedded", ROLE_PUSH_BUTTON, "Embedded button",
                         (plug_bus, plug.path), shown, ["org.a11y.atspi.Component", "org.a11y.atspi.Action"],
                         (110, 210, 120, 30))
            plug.children = [(plug_bus, inner.path)]
            for node in (plug, inner):
                self.export(plug_connection, node)
            window.children.append((plug_bus, plug.path))
            self.plug_connection = plug_connection

        if options.second_root:
            second = self.connect(address)
            second_bus = second.get_unique_name()
            second_window_path = "/org/a11y/atspi/accessible/second_window"
            second_root = Node(ROOT, ROLE_APPLICATION, "fake_atspi_app", (REGISTRY, ROOT), [],
                               ["org.a11y.atspi.Application"])
            second_window = Node(second_window_path, ROLE_FRAME, options.second_root, (second_bus, ROOT), shown,
                                 ["org.a11y.atspi.Component"], (520, 100, 300, 200))
            second_root.children = [(second_bus, second_window_path)]
            for node in (second_root, second_window):
                self.export(second, node)
            second.call_sync(REGISTRY, ROOT, "org.a11y.atspi.Socket", "Embed",
                             GLib.Variant("((so))", ((second_bus, ROOT),)), GLib.VariantType("((so))"),
                             Gio.DBusCallFlags.NONE, 5000, None)
            self.second_connection = second

        if options.own_registry:
            registry = self.connect(address)
            registry.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
                               GLib.Variant("(su)", (REGISTRY, 4)), GLib.VariantType("(u)"), Gio.DBusCallFlags.NONE,
                               5000, None)
            desktop = Node(ROOT, ROLE_DESKTOP, "main", ("", NULL), shown)
            desktop.children = [(bus, ROOT)]
            self.export(registry, desktop)
            self.registry = registry
        else:
            app.call_sync(REGISTRY, ROOT, "org.a11y.atspi.Socket", "Embed", GLib.Variant("((so))", ((bus, ROOT),)),
                          GLib.VariantType("((so))"), Gio.DBusCallFlags.NONE, 5000, None)
        self.app = app
        print("ready", flush=True)
        GLib.MainLoop().run()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--state", required=True)
    parser.add_argument("--title", default="Fake Window")
    parser.add_argument("--bus")
    parser.add_argument("--own-registry", action="store_true")
    parser.add_argument("--foreign")
    parser.add_argument("--embed", action="store_true")
    parser.add_argument("--second-root")
    parser.add_argument("--long-text", type=int)
    parser.add_argument("--silent-own-socket", action="store_true")
    FakeApplication(parser.parse_args()).run()


if __name__ == "__main__":
    sys.exit(main())
