"""Runs stopped by a signal while they hold a button or type, on a headless
GNOME desktop: the run ends by that signal, nothing stays held, and the
next click or key arrives as usual (the witness is press_recorder.py, a GTK
3 window natively on Wayland). And a GNOME session whose remote-desktop
service refuses: the error names what was refused, status 1, nothing done.

Run: tools/with-mutter /usr/bin/python3 -m unittest discover -s tests/gnome \
         -t tests/gnome -p 'test_gnome_interrupts_and_refusals.py' -v
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

import gnome_harness  # first: it puts tests/wayland and tests/integration on the import path
from gnome_harness import harness, real_apps, settled
from sway_harness import PressRecorder
from test_x11_interrupts import start_tool

STOP_SIGNALS = (signal.SIGTERM, signal.SIGINT)
KEY_A = 0x61
SHIFT_L = 0xffe1
LONG_TEXT = "AbCdEf" * 12


def without_shift(events):
    """The events without Shift_L's own: every run's first keys are a
    Shift_L press and release (GNOME loses the first key of a session)."""
    return [e for e in events if e.get("key") != SHIFT_L]


class GnomePressRecorder(PressRecorder):
    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="tavik-press-recorder-")
        self.events_path = os.path.join(self.folder, "events.jsonl")
        open(self.events_path, "w").close()
        app = gnome_harness.sway_harness.WaylandApp(
            "PressRecorder", ["/usr/bin/python3", os.path.join(gnome_harness.sway_harness.HERE, "press_recorder.py"),
                              self.events_path], self.TITLE, env={"GDK_BACKEND": "wayland"})
        try:
            self.running = gnome_harness.Launched(app)
        except BaseException:
            shutil.rmtree(self.folder, ignore_errors=True)
            raise
        self.pid = self.running.pid
        self.content = self.running.area


class StoppedRunsOnGnome(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.recorder = GnomePressRecorder()
        cls.addClassCleanup(cls.recorder.stop)

    def centre(self, dx=0):
        x, y, width, height = self.recorder.content
        return x + width // 2 + dx, y + height // 2

    def stop_when(self, args, number, ready):
        start = len(self.recorder.events())
        process = start_tool(args)
        try:
            seen = harness.wait_for(lambda: ready(self.recorder.events()[start:]), timeout=10, interval=0.001)
            process.send_signal(number)
            sent = time.monotonic()
            out, err = process.communicate(timeout=5)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
        self.assertLess(time.monotonic() - sent, 2, "the run did not stop promptly")
        self.assertTrue(seen, "the recorder never saw what %s should do" % (args[0],))
        return process.returncode, out.decode(), err.decode(), start

    def assert_next_click_and_key_arrive_alone(self):
        start = len(self.recorder.events())
        harness.run_json(self, ["click-xy", *self.centre(40)])
        harness.run_json(self, ["key", "a"])
        expected = [{"button": 1, "down": True}, {"button": 1, "down": False},
                    {"key": KEY_A, "down": True, "modifiers": 0}, {"key": KEY_A, "down": False, "modifiers": 0}]
        self.assertEqual(without_shift(settled(lambda: self.recorder.events()[start:])), expected)

    def test_a_click_or_drag_stopped_while_its_button_is_held_releases_it(self):
        x, y = self.centre()
        cases = [(["click-xy", x, y], 1, number) for number in STOP_SIGNALS]
        cases += [(["drag-xy", x - 40, y, x + 40, y], 1, signal.SIGTERM),
                  (["click-xy", x, y, "--button", "right"], 3, signal.SIGTERM)]
        for args, button, number in cases:
            with self.subTest(command=" ".join(map(str, args[:1] + args[3:])), signal=number.name):
                status, out, err, start = self.stop_when(
                    args, number, lambda events: ("button", button) in PressRecorder.held(events))
                self.assertEqual((status, out, err), (-number, "", ""))
                events = settled(lambda: self.recorder.events()[start:])
                self.assertEqual(events[-1], {"button": button, "down": False}, events)
                self.assertEqual(PressRecorder.held(events), set())
                self.assert_next_click_and_key_arrive_alone()

    def test_typing_stopped_by_a_signal_leaves_no_key_down(self):
        index = self.recorder.running.frame_reference()["index"]
        records = real_apps.flatten(real_apps.reference_tree(self.recorder.pid, index, 3))
        [pad] = [r["path"] for r in records if r.get("name") == "Press pad"]
        status, out, err, start = self.stop_when(["type", self.recorder.pid, pad, LONG_TEXT], signal.SIGTERM,
                                                 lambda events: len(without_shift(events)) >= 12)
        self.assertEqual((status, out, err), (-signal.SIGTERM, "", ""))
        events = settled(lambda: self.recorder.events()[start:])
        self.assertEqual(PressRecorder.held(events), set(), events[-6:])
        self.assertLess(len(without_shift(events)), 2 * len(LONG_TEXT), "the whole text was typed")
        self.assert_next_click_and_key_arrive_alone()


class RefusingGnome(unittest.TestCase):
    """The tool on the test desktop's compositor, with a session bus of its
    own whose org.gnome.Mutter.RemoteDesktop refuses every session."""

    def setUp(self):
        gnome_harness.require_gnome()
        self.folder = tempfile.mkdtemp(prefix="tavik-refusing-bus-")
        self.addCleanup(shutil.rmtree, self.folder, ignore_errors=True)
        address = "unix:path=%s/bus" % self.folder
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + address],
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: (bus.terminate(), bus.wait(timeout=5)))
        self.assertTrue(harness.wait_for(lambda: os.path.exists(os.path.join(self.folder, "bus")), timeout=10))
        service = subprocess.Popen(["/usr/bin/python3", os.path.join(os.path.dirname(__file__),
                                                                     "refusing_remote_desktop.py"), address],
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: (service.terminate(), service.wait(timeout=5), service.stdout.close()))
        self.assertEqual(service.stdout.readline().strip(), b"ready")
        self.env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address)

    def test_input_answers_what_gnome_refused_and_does_nothing(self):
        for args in (["click-xy", 100, 100], ["key", "a"], ["scroll", -40, "--at", 100, 100]):
            with self.subTest(args[0]):
                answer = harness.run_json(self, args, status=1, env=self.env)
                self.assertEqual(answer, {"error": "No display to send input to: GNOME refused a remote-desktop "
                                          "session (org.gnome.Mutter.RemoteDesktop.CreateSession): Remote desktop "
                                          "sessions are switched off by policy"})


if __name__ == "__main__":
    unittest.main()
