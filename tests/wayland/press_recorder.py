"""A GTK 3 window that records every button and key press and release it
gets, for the tests of runs stopped while they hold a button or a key.
Run with Debian's /usr/bin/python3 (python3-gi, gir1.2-gtk-3.0):

    press_recorder.py EVENTS_PATH

Window "Tavik Press Recorder": one focusable area, "Press pad", filling the
window. It has no text that accessibility could set, so type falls back to
keys. Each event is appended to EVENTS_PATH at once as one JSON line:
    {"button":N,"down":B}                  a button pressed or released
    {"key":KEYVAL,"down":B,"modifiers":N}  a key; modifiers: Shift 1,
                                           Control 4, Alt 8 held with it
so a reader sees a press while the button or key is still down.
"""

import json
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
gi.require_version("Atk", "1.0")
from gi.repository import Atk, Gdk, Gtk  # noqa: E402

MODIFIERS = Gdk.ModifierType.SHIFT_MASK | Gdk.ModifierType.CONTROL_MASK | Gdk.ModifierType.MOD1_MASK


def main():
    events = open(sys.argv[1], "a", encoding="utf-8")

    def record(entry):
        events.write(json.dumps(entry) + "\n")
        events.flush()

    def on_button(widget, event):
        # Double and triple presses come as extra events after the plain one.
        if event.type in (Gdk.EventType.BUTTON_PRESS, Gdk.EventType.BUTTON_RELEASE):
            record({"button": event.button, "down": event.type == Gdk.EventType.BUTTON_PRESS})
        widget.grab_focus()
        return True

    def on_key(widget, event):
        record({"key": event.keyval, "down": event.type == Gdk.EventType.KEY_PRESS,
                "modifiers": int(event.state & MODIFIERS)})
        return True

    window = Gtk.Window(title="Tavik Press Recorder")
    window.set_default_size(400, 300)
    window.connect("destroy", Gtk.main_quit)
    pad = Gtk.DrawingArea()
    pad.set_can_focus(True)
    pad.add_events(Gdk.EventMask.BUTTON_PRESS_MASK | Gdk.EventMask.BUTTON_RELEASE_MASK |
                   Gdk.EventMask.KEY_PRESS_MASK | Gdk.EventMask.KEY_RELEASE_MASK)
    pad.connect("button-press-event", on_button)
    pad.connect("button-release-event", on_button)
    pad.connect("key-press-event", on_key)
    pad.connect("key-release-event", on_key)
    accessible = pad.get_accessible()
    accessible.set_name("Press pad")
    accessible.set_role(Atk.Role.TEXT)
    window.add(pad)
    window.show_all()
    pad.grab_focus()
    Gtk.main()


if __name__ == "__main__":
    main()
