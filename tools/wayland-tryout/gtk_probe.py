#!/usr/bin/python3
# A GTK 3 window that reports the input it receives, one line each, to the
# file named by its argument: clicks (window coordinates, button, click
# count), keys (keysym name, modifier state), scrolls, and the text of its
# entry. For trying the Wayland backend against a native Wayland client:
#   GDK_BACKEND=wayland /usr/bin/python3 gtk_probe.py REPORT
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, Gtk  # noqa: E402

report = open(sys.argv[1], "w", buffering=1)


def say(*words):
    report.write(" ".join(str(w) for w in words) + "\n")


COUNTS = {Gdk.EventType.BUTTON_PRESS: 1, Gdk.EventType._2BUTTON_PRESS: 2, Gdk.EventType._3BUTTON_PRESS: 3}


def on_button(widget, event):
    if event.type in COUNTS:
        say("press", int(event.x_root), int(event.y_root), event.button, COUNTS[event.type])
    elif event.type == Gdk.EventType.BUTTON_RELEASE:
        say("release", int(event.x_root), int(event.y_root), event.button)
    return False


def on_motion(widget, event):
    if event.state & Gdk.ModifierType.BUTTON1_MASK:
        say("drag", int(event.x_root), int(event.y_root))
    return False


def on_key(widget, event):
    mods = []
    for name, mask in (("shift", Gdk.ModifierType.SHIFT_MASK), ("ctrl", Gdk.ModifierType.CONTROL_MASK),
                       ("alt", Gdk.ModifierType.MOD1_MASK), ("super", Gdk.ModifierType.SUPER_MASK),
                       ("mod4", Gdk.ModifierType.MOD4_MASK)):
        if event.state & mask:
            mods.append(name)
    kind = "keydown" if event.type == Gdk.EventType.KEY_PRESS else "keyup"
    say(kind, Gdk.keyval_name(event.keyval), "+".join(mods) or "-")
    return False


def on_scroll(widget, event):
    ok, dx, dy = event.get_scroll_deltas()
    say("scroll", event.direction.value_nick, dx if ok else "", dy if ok else "")
    return False


window = Gtk.Window(title="tavik wayland probe")
window.set_default_size(1280, 1024)
box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
entry = Gtk.Entry()
entry.connect("changed", lambda e: say("text", repr(e.get_text())))
entry.connect("notify::cursor-position", lambda e, p: say("cursor", e.props.cursor_position, e.props.selection_bound))
entry.connect("notify::selection-bound", lambda e, p: say("cursor", e.props.cursor_position, e.props.selection_bound))
box.pack_start(entry, False, False, 0)
area = Gtk.EventBox()
area.set_size_request(1280, 600)
box.pack_start(area, True, True, 0)
# A view larger than its window both ways, scrolled to the middle, whose
# scroll positions are reported.
scroller = Gtk.ScrolledWindow()
scroller.set_size_request(1280, 300)
canvas = Gtk.DrawingArea()
canvas.set_size_request(6000, 6000)
scroller.add(canvas)
box.pack_start(scroller, False, False, 0)
for name, adjustment in (("hscroll", scroller.get_hadjustment()), ("vscroll", scroller.get_vadjustment())):
    adjustment.connect("value-changed", lambda a, n=name: say(n, int(a.get_value())))
    adjustment.connect("changed", lambda a: a.set_value((a.get_upper() - a.get_page_size()) / 2)
                       if a.get_value() == 0 else None)
window.add(box)
window.add_events(Gdk.EventMask.BUTTON_PRESS_MASK | Gdk.EventMask.BUTTON_RELEASE_MASK |
                  Gdk.EventMask.POINTER_MOTION_MASK | Gdk.EventMask.SCROLL_MASK |
                  Gdk.EventMask.SMOOTH_SCROLL_MASK | Gdk.EventMask.KEY_PRESS_MASK | Gdk.EventMask.KEY_RELEASE_MASK)
window.connect("button-press-event", on_button)
window.connect("button-release-event", on_button)
window.connect("motion-notify-event", on_motion)
window.connect("key-press-event", on_key)
window.connect("key-release-event", on_key)
window.connect("scroll-event", on_scroll)
window.connect("destroy", Gtk.main_quit)
window.show_all()
entry.grab_focus()
say("ready")
Gtk.main()
