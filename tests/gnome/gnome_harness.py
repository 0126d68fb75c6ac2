"""What the tests on a headless GNOME desktop (tools/with-mutter) need beyond
the shared integration helpers and the sway tests' application code: a
picture of the screen taken from mutter's own screen-cast service, where a
window lies in it, the applications to run natively on Wayland, and the
GTK 3 fixtures that report what they received.

Mutter tells a process of the same user nowhere where a window is, and GTK
on Wayland reports positions only inside its window. So the tests find a
window where the screen shows it: windows are drawn without the shadow GTK
casts around them (a style sheet in the desktop's private settings
folder), so a window is exactly the rectangle in which the screen changed
when it appeared, and positions pyatspi or a fixture report count from its
top-left corner.

Independent readers: a frame of org.gnome.Mutter.ScreenCast taken through
GStreamer's PipeWire source (gst-launch-1.0) and pyatspi (under
/usr/bin/python3). The tool under test is never asked what it is tested on.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "wayland"))

import sway_harness  # noqa: E402  (it puts tests/integration on the import path)
from sway_harness import harness, real_apps, settled, centre  # noqa: E402,F401

LAUNCH_TIMEOUT = 40

# GTK's client-side decoration without its shadow, margin or rounded
# corners: the window is then its surface, a plain rectangle (GTK 3 draws
# it on the decoration node, GTK 4 on the window's).
NO_SHADOW = {
    "gtk-3.0": "decoration { box-shadow: none; margin: 0; border-radius: 0; }\n",
    "gtk-4.0": "window.csd, window.csd.maximized { box-shadow: none; margin: 0; border-radius: 0; }\n",
}


def on_gnome():
    return bool(os.environ.get("WITH_MUTTER_SESSION")) and bool(os.environ.get("WAYLAND_DISPLAY"))


def require_gnome():
    if not on_gnome():
        raise unittest.SkipTest("no GNOME desktop: run under tools/with-mutter")
    config = os.environ.get("XDG_CONFIG_HOME")
    if config and config.startswith(os.environ["WITH_MUTTER_SESSION"]):
        for toolkit, style in NO_SHADOW.items():
            os.makedirs(os.path.join(config, toolkit), exist_ok=True)
            with open(os.path.join(config, toolkit, "gtk.css"), "w", encoding="utf-8") as sheet:
                sheet.write(style)


# ---------------------------------------------------------------------------
# The screen, from mutter's screen-cast service

def _bus():
    import gi
    gi.require_version("Gio", "2.0")
    from gi.repository import Gio
    return Gio.bus_get_sync(Gio.BusType.SESSION, None)


def _call(bus, name, path, interface, method, args=None, reply=None):
    from gi.repository import Gio, GLib
    return bus.call_sync(name, path, interface, method, args, GLib.VariantType(reply) if reply else None,
                         Gio.DBusCallFlags.NONE, 5000, None)


def monitor_connectors():
    """The connectors of mutter's logical monitors (Meta-0 headless)."""
    state = _call(_bus(), "org.gnome.Mutter.DisplayConfig", "/org/gnome/Mutter/DisplayConfig",
                  "org.gnome.Mutter.DisplayConfig", "GetCurrentState").unpack()
    return [logical[5][0][0] for logical in state[2]]


class Frame:
    """One frame of the first monitor (the whole screen of the test
    desktop), from a screen-cast session of this process without the
    pointer, decoded to RGB by GStreamer; pixels holds its rows."""

    def __init__(self, timeout=10):
        from gi.repository import GLib
        bus = _bus()
        cast = "org.gnome.Mutter.ScreenCast"
        [session] = _call(bus, cast, "/org/gnome/Mutter/ScreenCast", cast, "CreateSession",
                          GLib.Variant("(a{sv})", ({},)), "(o)").unpack()
        try:
            [stream] = _call(bus, cast, session, cast + ".Session", "RecordMonitor",
                             GLib.Variant("(sa{sv})", (monitor_connectors()[0], {"cursor-mode": GLib.Variant("u", 0)})),
                             "(o)").unpack()
            nodes = []
            bus.signal_subscribe(None, cast + ".Stream", "PipeWireStreamAdded", stream, None, 0,
                                 lambda *signal: nodes.append(signal[5].unpack()[0]))
            _call(bus, cast, session, cast + ".Session", "Start")
            context = GLib.MainContext.default()
            deadline = time.monotonic() + timeout
            while not nodes and time.monotonic() < deadline:
                context.iteration(False) or time.sleep(0.02)
            if not nodes:
                raise AssertionError("mutter named no PipeWire stream")
            self.width, self.height, self.pixels = self._take(nodes[0], timeout)
        finally:
            _call(bus, cast, session, cast + ".Session", "Stop")

    @staticmethod
    def _take(node, timeout):
        folder = tempfile.mkdtemp(prefix="tavik-frame-")
        path = os.path.join(folder, "frame.rgb")
        try:
            done = subprocess.run(
                ["gst-launch-1.0", "-q", "pipewiresrc", "path=%d" % node, "num-buffers=1", "!", "videoconvert", "!",
                 "video/x-raw,format=RGB", "!", "filesink", "location=%s" % path],
                stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)
            if done.returncode != 0:
                raise AssertionError("gst-launch-1.0 took no frame: %s" % done.stderr[-400:])
            with open(path, "rb") as raw:
                data = raw.read()
        finally:
            shutil.rmtree(folder, ignore_errors=True)
        # GStreamer pads RGB rows to four bytes; the test screen's width
        # (1280) needs no padding, and is what the size must give.
        width, height = 1280, 1024
        if len(data) != width * height * 3:
            raise AssertionError("a frame of %d bytes is no %dx%d RGB picture" % (len(data), width, height))
        return width, height, data

    def at(self, x, y):
        at = (y * self.width + x) * 3
        return tuple(self.pixels[at:at + 3])


def still_frame(timeout=10):
    """A frame once the screen stopped changing (a window that just closed
    may still be fading out)."""
    deadline = time.monotonic() + timeout
    previous = Frame()
    while time.monotonic() < deadline:
        current = Frame()
        if current.pixels == previous.pixels:
            return current
        previous = current
    return previous


# Mutter repaints its background with a dither that may differ by one step
# wherever the screen changed; a window differs by more.
CHANGE = 4


def changed_rectangle(before, after):
    """(x, y, width, height) of the smallest rectangle holding every pixel
    that differs between two frames by more than the background's dither;
    None when none does."""
    stride = before.width * 3

    def differs(a, b, x):
        return any(abs(a[x * 3 + i] - b[x * 3 + i]) > CHANGE for i in range(3))
    rows, columns = [], []
    for y in range(before.height):
        a, b = before.pixels[y * stride:(y + 1) * stride], after.pixels[y * stride:(y + 1) * stride]
        if a == b:
            continue
        first = next((x for x in range(before.width) if differs(a, b, x)), None)
        if first is None:
            continue
        last = next(x for x in reversed(range(before.width)) if differs(a, b, x))
        rows.append(y)
        columns += [first, last]
    if not rows:
        return None
    return min(columns), rows[0], max(columns) - min(columns) + 1, rows[-1] - rows[0] + 1


# ---------------------------------------------------------------------------
# The applications

class Launched:
    """One running application natively on Wayland, alone on the desktop:
    its process (its own session) and pyatspi's window, and where the
    screen shows that window (origin: the screen point its window
    coordinates count from)."""

    def __init__(self, app):
        require_gnome()
        self.app = app
        program = app.argv[0]
        if os.path.sep in program and not os.access(program, os.X_OK):
            raise unittest.SkipTest("%s is not built" % program)
        if os.path.sep not in program and shutil.which(program) is None:
            raise unittest.SkipTest("%s is not installed" % program)
        empty = still_frame()
        env = dict(os.environ, **app.env)
        env.pop("NO_AT_BRIDGE", None)
        self.folder = tempfile.mkdtemp(prefix="tavik-gnome-app-")
        env["HOME"] = self.folder
        self.process = subprocess.Popen(app.argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL, env=env, start_new_session=True)
        self.pid = self.process.pid
        try:
            self.area = harness.wait_for(lambda: self.process.poll() is None and self._shown(empty),
                                         timeout=LAUNCH_TIMEOUT, interval=0.3)
            if not self.area:
                raise AssertionError("%s did not show its window %r within %s s" % (app.name, app.title,
                                                                                   LAUNCH_TIMEOUT))
        except BaseException:
            self.stop()
            raise
        self.origin = self.area[:2]

    def _shown(self, empty):
        """The window's rectangle once pyatspi has the window and the screen
        shows a rectangle of its size where the desktop was empty; None
        before."""
        frame = self.frame_reference()
        if not frame or not frame.get("width"):
            return None
        area = changed_rectangle(empty, Frame())
        if area and area[2:] == (frame["width"], frame["height"]):
            return area
        return None

    def frame_reference(self):
        """pyatspi's record of the window (with its index), or None."""
        for window in real_apps.reference_windows(self.pid):
            if window.get("name") == self.app.title:
                return window
        return None

    def screen(self, record):
        """A rectangle in window coordinates (a pyatspi record or a
        fixture's report) on the screen."""
        return dict(record, x=record["x"] + self.origin[0], y=record["y"] + self.origin[1])

    def stop(self):
        sway_harness.Launched.stop(self)


class ReportingFixture(sway_harness.ReportingFixture):
    """A GTK 3 fixture of tests/input-fixture natively on Wayland, and the
    JSON report it rewrites ten times a second; its positions count from
    its window, which the screen shows at origin."""

    launched = Launched

    def window_origin(self, backend):
        return self.running.origin
