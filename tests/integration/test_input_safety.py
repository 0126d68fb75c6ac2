"""Synthetic input goes only where it is meant to go, or not at all: keys
only into the element that holds the focus, centre clicks only on the
application's own window, no click off every display, and no input at all
without a display. Checked through the input fixture's report, the X
server's own state (xprop, XQueryPointer) and pyatspi."""

import ctypes
import ctypes.util
import json
import os
import subprocess
import sys
import time
import unittest

import harness
from x11_fixture import InputFixture, centre, screen_size

FIXTURE = harness.build_path("tests", "fixture", "tavik_fixture")
FIXTURE_TITLE = "Tavik Fixture — Ünïcødé"
FIXTURE_LONG_LABEL = "0.0.2"  # a label: it takes no focus and no value

NO_FOCUS = {"error": "Could not focus the element; nothing was typed"}
NO_DISPLAY = {"error": "No display to send input to"}
OFF_SCREEN = {"error": "Point is outside every display"}
NOT_OWN_WINDOW = {"error": "The element's centre is not on its application's window"}


def run_without_display(test, args):
    """Runs the tool with no X display in its environment; returns (status,
    document, seconds taken)."""
    env = {name: value for name, value in os.environ.items() if name != "DISPLAY"}
    started = time.monotonic()
    completed = subprocess.run([harness.BINARY] + [str(a) for a in args], stdin=subprocess.DEVNULL,
                               capture_output=True, timeout=harness.RUN_TIMEOUT, env=env)
    elapsed = time.monotonic() - started
    test.assertEqual(completed.stderr, b"")
    return completed.returncode, json.loads(completed.stdout), elapsed


def active_window_pid():
    """The _NET_WM_PID of the window the window manager names active, read
    with xprop; None when there is none."""
    root = subprocess.run(["xprop", "-root", "_NET_ACTIVE_WINDOW"], capture_output=True, text=True, timeout=10).stdout
    window = root.strip().split()[-1] if "window id" in root else None
    if not window or int(window, 16) == 0:
        return None
    out = subprocess.run(["xprop", "-id", window, "_NET_WM_PID"], capture_output=True, text=True, timeout=10).stdout
    return int(out.split("=")[1]) if "=" in out else None


def pointer_position():
    """Where the X server has the pointer, asked through Xlib's XQueryPointer."""
    xlib = ctypes.CDLL(ctypes.util.find_library("X11"))
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    window, int_ = ctypes.c_ulong, ctypes.c_int
    xlib.XQueryPointer.argtypes = [ctypes.c_void_p, window, ctypes.POINTER(window), ctypes.POINTER(window)] + [
        ctypes.POINTER(int_)] * 4 + [ctypes.POINTER(ctypes.c_uint)]
    display = xlib.XOpenDisplay(None)
    root, child = window(), window()
    x, y, wx, wy, mask = int_(), int_(), int_(), int_(), ctypes.c_uint()
    xlib.XQueryPointer(display, xlib.XDefaultRootWindow(display), ctypes.byref(root), ctypes.byref(child),
                       ctypes.byref(x), ctypes.byref(y), ctypes.byref(wx), ctypes.byref(wy), ctypes.byref(mask))
    xlib.XCloseDisplay(display)
    return x.value, y.value


# A window of another process laid over a rectangle of the screen: an
# unmanaged GTK popup, so it sits exactly there and on top.
_COVER = r"""
import sys, gi
gi.require_version("Gtk", "3.0")
from gi.repository import Gtk, GLib
x, y, width, height = (int(v) for v in sys.argv[1:5])
window = Gtk.Window(type=Gtk.WindowType.POPUP)
window.move(x, y)
window.set_default_size(width, height)
window.connect("map-event", lambda *a: (print("shown", flush=True), False)[1])
window.show_all()
Gtk.main()
"""


class Cover:
    def __init__(self, rect):
        self.process = subprocess.Popen(
            [sys.executable if sys.executable.startswith("/usr/bin/") else "/usr/bin/python3", "-c", _COVER]
            + [str(int(v)) for v in (rect["x"], rect["y"], rect["width"], rect["height"])],
            stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if self.process.stdout.readline().strip() != b"shown":
            self.stop()
            raise AssertionError("the covering window did not show")
        time.sleep(0.2)

    def stop(self):
        harness.stop(self.process)
        self.process.stdout.close()


class InputFixtureTest(unittest.TestCase):
    def setUp(self):
        self.fixture = InputFixture()
        self.addCleanup(self.fixture.stop)

    def element_path(self, label):
        matches = harness.run_json(self, ["find", self.fixture.pid, "--label", label])
        paths = [m["path"] for m in matches if m.get("title") == label or m.get("description") == label]
        self.assertTrue(paths, "no element named %r in %r" % (label, matches))
        return paths[0]


class TypeGoesToTheFocusedElementOnly(InputFixtureTest):
    """Two applications: the GTK fixture and the input fixture, whose key
    recorder reports every key it gets."""

    def setUp(self):
        self.other = harness.start_app([FIXTURE], FIXTURE_TITLE, stderr=subprocess.DEVNULL)
        self.addCleanup(harness.stop, self.other)
        super().setUp()  # the input fixture comes second and is active

    def test_keys_for_an_element_that_takes_no_focus_are_not_typed_into_the_active_application(self):
        self.assertEqual(active_window_pid(), self.fixture.pid)
        before = self.fixture.report()["typed"]
        answer = harness.run_json(self, ["type", self.other.pid, FIXTURE_LONG_LABEL, "echo pwned"], status=1)
        self.assertEqual(answer, NO_FOCUS)
        time.sleep(0.5)
        self.assertEqual(self.fixture.report()["typed"], before)

    def test_keys_reach_an_element_of_an_inactive_window_once_its_window_is_activated(self):
        # A newly started application takes the focus.
        newer = harness.start_app([FIXTURE], FIXTURE_TITLE, stderr=subprocess.DEVNULL)
        self.addCleanup(harness.stop, newer)
        self.assertTrue(harness.wait_for(lambda: active_window_pid() == newer.pid, timeout=5),
                        "the newer application never became active")
        before = self.fixture.report()["typed"]
        answer = harness.run_json(self, ["type", self.fixture.pid, self.element_path("Key recorder"), "hello"])
        self.assertEqual(answer, {"success": True, "method": "CGEvent", "text": "hello"})
        report = self.fixture.wait(lambda r: len(r["typed"]) >= len(before) + 5)
        self.assertEqual(report["typed"][len(before):], "hello")
        self.assertEqual(active_window_pid(), self.fixture.pid)


class CentreClickOnTheOwnWindowOnly(InputFixtureTest):
    def test_an_element_covered_by_another_window_is_not_clicked(self):
        before = self.fixture.report()
        cover = Cover(before["target"])
        self.addCleanup(cover.stop)
        answer = harness.run_json(self, ["click", self.fixture.pid, self.element_path("Click target")], status=1)
        self.assertEqual(answer, NOT_OWN_WINDOW)
        time.sleep(0.3)
        self.assertEqual(self.fixture.report()["targetClicks"], before["targetClicks"])
        # Uncovered, the same element is clicked.
        cover.stop()
        answer = harness.run_json(self, ["click", self.fixture.pid, self.element_path("Click target")])
        self.assertEqual(answer["method"], "CGEvent")
        self.assertEqual(self.fixture.wait(lambda r: r["targetClicks"] > before["targetClicks"])["targetClicks"],
                         before["targetClicks"] + 1)


class PointsOffEveryDisplay(unittest.TestCase):
    def test_are_refused_and_the_pointer_stays(self):
        width, height = screen_size()
        harness.run_json(self, ["click-xy", 3, 3])
        self.assertEqual(pointer_position(), (3, 3))
        for x, y in [(1e9, -1e9), (width, 0), (0, height), (-1, 5), (-0.5, 5)]:
            with self.subTest(x=x, y=y):
                self.assertEqual(harness.run_json(self, ["click-xy", x, y], status=1), OFF_SCREEN)
                self.assertEqual(pointer_position(), (3, 3))


class NoDisplay(InputFixtureTest):
    def test_no_input_is_reported_as_sent(self):
        before = self.fixture.report()
        for args in (["click-xy", 10, 10], ["scroll", -120],
                     ["click", self.fixture.pid, self.element_path("Click target")],
                     ["type", self.fixture.pid, self.element_path("Key recorder"), "x" * 200]):
            with self.subTest(command=args[0]):
                status, answer, elapsed = run_without_display(self, args)
                self.assertEqual((status, answer), (1, NO_DISPLAY))
                # Nothing is typed, so nothing waits between characters.
                self.assertLess(elapsed, 3)
        time.sleep(0.3)
        after = self.fixture.report()
        self.assertEqual((after["typed"], after["targetClicks"]), (before["typed"], before["targetClicks"]))


if __name__ == "__main__":
    unittest.main()
