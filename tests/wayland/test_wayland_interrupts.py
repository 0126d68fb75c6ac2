"""Runs stopped by a signal while they hold a button or type, on a sway
desktop: the run ends by that signal, nothing stays held, and the next
click or key arrives as usual. The witness is press_recorder.py, a GTK 3
window natively on Wayland that writes down every press and release the
moment it gets it.

Run: tools/with-sway /usr/bin/python3 -m unittest discover -s tests/wayland \
         -t tests/wayland -p 'test_wayland_interrupts.py' -v
"""

import signal
import time
import unittest

import sway_harness  # first: it puts tests/integration on the import path
from sway_harness import PressRecorder, harness, real_apps
from test_x11_interrupts import start_tool

STOP_SIGNALS = (signal.SIGTERM, signal.SIGINT, signal.SIGQUIT, signal.SIGHUP)
# Capitals (Shift goes down with them) and characters no layout has.
LONG_TEXT = "AbC東京É😀" * 8
KEY_A = 0x61


class StoppedRunsOnWayland(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.recorder = PressRecorder()
        cls.addClassCleanup(cls.recorder.stop)

    def centre(self, dx=0):
        x, y, width, height = self.recorder.content
        return x + width // 2 + dx, y + height // 2

    def stop_when(self, args, number, ready):
        """Starts the run, waits until ready(events the recorder got since)
        holds, sends the signal; (status, stdout, stderr, the index of the
        recorder's first event of the run)."""
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
        """A click and a key of later runs come as one press and release
        each, without modifiers: nothing is left down."""
        start = len(self.recorder.events())
        harness.run_json(self, ["click-xy", *self.centre(40)])
        harness.run_json(self, ["key", "a"])
        expected = [{"button": 1, "down": True}, {"button": 1, "down": False},
                    {"key": KEY_A, "down": True, "modifiers": 0}, {"key": KEY_A, "down": False, "modifiers": 0}]
        self.assertEqual(sway_harness.settled(lambda: self.recorder.events()[start:]), expected)

    def test_a_click_or_drag_stopped_while_its_button_is_held_releases_it(self):
        x, y = self.centre()
        cases = [(["click-xy", x, y], 1, number) for number in STOP_SIGNALS]
        cases += [(["drag-xy", x - 40, y, x + 40, y], 1, signal.SIGTERM),
                  (["click-xy", x, y, "--button", "right"], 3, signal.SIGTERM)]
        for args, button, number in cases:
            with self.subTest(command=" ".join(map(str, args[:1] + args[3:])), signal=number.name):
                # The signal goes while the recorder has the button down.
                status, out, err, start = self.stop_when(
                    args, number, lambda events: ("button", button) in PressRecorder.held(events))
                self.assertEqual((status, out, err), (-number, "", ""))
                # So the release that follows came from the stopped run.
                events = sway_harness.settled(lambda: self.recorder.events()[start:])
                self.assertEqual(events[-1], {"button": button, "down": False}, events)
                self.assertEqual(PressRecorder.held(events), set())
                self.assert_next_click_and_key_arrive_alone()

    def test_typing_stopped_by_a_signal_leaves_no_key_down(self):
        index = self.recorder.running.frame_reference()["index"]
        records = real_apps.flatten(real_apps.reference_tree(self.recorder.pid, index, 3))
        [pad] = [r["path"] for r in records if r.get("name") == "Press pad"]
        for number in (signal.SIGTERM, signal.SIGHUP):
            with self.subTest(signal=number.name):
                # Stopped a few characters in.
                status, out, err, start = self.stop_when(["type", self.recorder.pid, pad, LONG_TEXT], number,
                                                         lambda events: len(events) >= 12)
                self.assertEqual((status, out, err), (-number, "", ""))
                events = sway_harness.settled(lambda: self.recorder.events()[start:])
                self.assertEqual(PressRecorder.held(events), set(), events[-6:])
                self.assertLess(len(events), 4 * len(LONG_TEXT), "the whole text was typed")
                self.assert_next_click_and_key_arrive_alone()


if __name__ == "__main__":
    unittest.main()
