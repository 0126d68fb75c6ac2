"""Typing and clicking that are cut short or run at the same time leave the
desktop as it was: the key map (read with xmodmap and xprop), the pointer's
buttons (read with XQueryPointer through ctypes) and the texts the GTK
input fixture received."""

import ctypes
import ctypes.util
import fcntl
import json
import os
import resource
import signal
import subprocess
import time
import unittest

import harness
from x11_fixture import InputFixture, accessible_text, centre

RECORD = "_TAVIK_AX_REMAPPED"
# Characters no keyboard layout holds: each goes through a spare keycode.
FOREIGN_TEXT = "".join(chr(0x4E00 + i) for i in range(80))


def keymap():
    """The core keyboard mapping as xmodmap prints it."""
    return subprocess.run(["xmodmap", "-pke"], capture_output=True, text=True, timeout=10, check=True).stdout


def remap_record():
    """The record of remapped keys on the root window, or None."""
    out = subprocess.run(["xprop", "-root", RECORD], capture_output=True, text=True, timeout=10).stdout
    return None if "not found" in out or "no such atom" in out else out.strip()


def wait_for_remapping(before, process, timeout=10):
    """Waits until the key map differs from `before` while process runs."""
    return harness.wait_for(lambda: process.poll() is None and keymap() != before, timeout=timeout, interval=0.02)


def _plain_signals():
    # The shell that started the suite may ignore some of them; the tool
    # keeps an ignored signal ignored, and no core file is left behind.
    for number in (signal.SIGTERM, signal.SIGINT, signal.SIGQUIT, signal.SIGHUP):
        signal.signal(number, signal.SIG_DFL)
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))


def start_tool(args):
    return subprocess.Popen(
        [harness.BINARY] + [str(a) for a in args],
        stdin=subprocess.DEVNULL,
        stdout=subprocess.PIPE,
        stderr=subprocess.PIPE,
        preexec_fn=_plain_signals,
    )


class Pointer:
    """The core pointer's button state, read from the X server."""

    Button1Mask = 1 << 8
    Button3Mask = 1 << 10

    def __init__(self):
        self.xlib = ctypes.CDLL(ctypes.util.find_library("X11"))
        self.xlib.XOpenDisplay.restype = ctypes.c_void_p
        self.xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.xlib.XDefaultRootWindow.restype = ctypes.c_ulong
        self.xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.xlib.XQueryPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_void_p] * 7
        self.xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.display = self.xlib.XOpenDisplay(None)
        if not self.display:
            raise unittest.SkipTest("no X display")
        self.root = self.xlib.XDefaultRootWindow(self.display)

    def buttons_down(self, buttons):
        root, child = ctypes.c_ulong(), ctypes.c_ulong()
        numbers = [ctypes.c_int() for _ in range(4)]
        mask = ctypes.c_uint()
        self.xlib.XQueryPointer(self.display, self.root, ctypes.byref(root), ctypes.byref(child),
                                *[ctypes.byref(n) for n in numbers], ctypes.byref(mask))
        return bool(mask.value & buttons)

    def close(self):
        self.xlib.XCloseDisplay(self.display)


class X11InterruptTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.fixture = InputFixture()
        matches = harness.run_json(unittest.TestCase(), ["find", cls.fixture.pid, "--label", "Key recorder"])
        cls.recorder = [m["path"] for m in matches if m.get("title") == "Key recorder"][0]
        matches = harness.run_json(unittest.TestCase(), ["find", cls.fixture.pid, "--label", "Text view"])
        cls.text_view = [m["path"] for m in matches if "Text view" in (m.get("title"), m.get("description"))][0]

    @classmethod
    def tearDownClass(cls):
        cls.fixture.stop()

    def setUp(self):
        self.mapping = keymap()
        self.assertIsNone(remap_record())

    def finished(self, process, timeout=5):
        """(status, stdout, stderr) of a started run, which must end in time."""
        out, err = process.communicate(timeout=timeout)
        return process.returncode, out.decode("utf-8"), err.decode("utf-8", errors="replace")

    def test_a_stop_signal_during_typing_restores_the_key_map_and_ends_by_that_signal(self):
        for number in (signal.SIGTERM, signal.SIGINT, signal.SIGQUIT, signal.SIGHUP):
            with self.subTest(signal=number.name):
                process = start_tool(["type", self.fixture.pid, self.recorder, FOREIGN_TEXT])
                try:
                    self.assertTrue(wait_for_remapping(self.mapping, process), "typing never remapped a key")
                    process.send_signal(number)
                    sent = time.monotonic()
                    status, out, err = self.finished(process)
                finally:
                    if process.poll() is None:
                        process.kill()
                        process.wait()
                self.assertLess(time.monotonic() - sent, 2, "the run did not stop promptly")
                self.assertEqual((status, out, err), (-number, "", ""))
                self.assertEqual(keymap(), self.mapping)
                self.assertIsNone(remap_record())
        # Every spare keycode is still there: the next run types as before.
        before = self.fixture.settled("typed")
        text = "\u00e9\u4f60\u597d\U0001F600"
        answer = harness.run_json(self, ["type", self.fixture.pid, self.recorder, text])
        self.assertEqual(answer, {"success": True, "method": "CGEvent", "text": text})
        self.assertEqual(self.fixture.settled("typed")[len(before):], text)

    def test_after_sigkill_the_next_run_puts_the_keys_back_first(self):
        process = start_tool(["type", self.fixture.pid, self.recorder, FOREIGN_TEXT])
        try:
            self.assertTrue(wait_for_remapping(self.mapping, process), "typing never remapped a key")
        finally:
            process.kill()
            process.communicate()
        left = keymap()
        self.assertNotEqual(left, self.mapping)
        self.assertIsNotNone(remap_record(), "the killed run left no record of its remapped keys")
        # Layout keys only: the run needs no spare key, and still cleans up.
        before = self.fixture.settled("typed")
        answer = harness.run_json(self, ["type", self.fixture.pid, self.recorder, "ok"])
        self.assertEqual(answer, {"success": True, "method": "CGEvent", "text": "ok"})
        self.assertEqual(keymap(), self.mapping)
        self.assertIsNone(remap_record())
        self.assertTrue(self.fixture.settled("typed")[len(before):].endswith("ok"))

    def test_without_a_free_keycode_type_answers_an_error_and_types_nothing(self):
        spare = [line.split()[1] for line in self.mapping.splitlines()
                 if line.split()[2:] == ["="] and int(line.split()[1]) >= 9]
        self.assertTrue(spare, "the test display has no spare keycode")
        fill = []
        for keycode in spare:
            fill += ["-e", "keycode %s = F35" % keycode]
        subprocess.run(["xmodmap"] + fill, check=True, timeout=10)
        try:
            before = self.fixture.settled("typed")
            answer = harness.run_json(self, ["type", self.fixture.pid, self.recorder, "a\u4f60b"], status=1)
            self.assertEqual(answer, {"error": "No free key to type a character the keyboard layout lacks"})
            # The key command alike: é has no key, and nothing is pressed.
            answer = harness.run_json(self, ["key", "a", "eacute"], status=1)
            self.assertEqual(answer, {"error": "No free key to type a character the keyboard layout lacks"})
            time.sleep(0.5)
            self.assertEqual(self.fixture.report()["typed"], before)
            # Keys of the layout still type without a spare keycode.
            answer = harness.run_json(self, ["type", self.fixture.pid, self.recorder, "ab"])
            self.assertEqual(answer, {"success": True, "method": "CGEvent", "text": "ab"})
        finally:
            clear = []
            for keycode in spare:
                clear += ["-e", "keycode %s =" % keycode]
            subprocess.run(["xmodmap"] + clear, check=True, timeout=10)
        self.assertEqual(keymap(), self.mapping)

    def test_two_runs_typing_at_once_take_turns(self):
        first_text = "first run 1111111111 \u4f60\u597d"
        second_text = "SECOND RUN 2222222222 \u4e16\u754c"
        typed_before = self.fixture.settled("typed")
        view_before = accessible_text(self.fixture.pid, "Text view")
        first = start_tool(["type", self.fixture.pid, self.recorder, first_text])
        second = start_tool(["type", self.fixture.pid, self.text_view, second_text])
        answers = [self.finished(process, timeout=harness.RUN_TIMEOUT) for process in (first, second)]
        self.assertEqual([(status, err) for status, _, err in answers], [(0, ""), (0, "")])
        self.assertEqual(json.loads(answers[0][1])["text"], first_text)
        self.assertEqual(json.loads(answers[1][1])["text"], second_text)
        self.assertTrue(harness.wait_for(
            lambda: accessible_text(self.fixture.pid, "Text view") == view_before + second_text, timeout=5),
            accessible_text(self.fixture.pid, "Text view"))
        self.assertEqual(self.fixture.settled("typed")[len(typed_before):], first_text)
        self.assertEqual(keymap(), self.mapping)

    def test_a_run_that_waits_too_long_for_its_turn_answers_an_error(self):
        runtime = os.environ.get("XDG_RUNTIME_DIR", "")
        display = os.environ["DISPLAY"]
        name = "tavik-ax-input-:%s.lock" % display.rsplit(":", 1)[1].split(".")[0]
        if runtime.startswith("/") and os.path.isdir(runtime) and os.stat(runtime).st_uid == os.getuid():
            path = os.path.join(runtime, name)
        else:
            path = "/tmp/%d-%s" % (os.getuid(), name)
        before = self.fixture.settled("typed")
        with open(path, "a") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            started = time.monotonic()
            answer = harness.run_json(self, ["type", self.fixture.pid, self.recorder, "blocked"], status=1)
            waited = time.monotonic() - started
        self.assertEqual(answer, {"error": "Another run is typing on this display"})
        self.assertGreater(waited, 9)
        self.assertEqual(self.fixture.settled("typed"), before)

    def test_a_click_or_drag_stopped_while_its_button_is_held_leaves_it_up(self):
        pointer = Pointer()
        try:
            x, y = centre(self.fixture.report()["patch"])
            left_click = ["click-xy", x, y]
            cases = [(left_click, Pointer.Button1Mask, number)
                     for number in (signal.SIGTERM, signal.SIGINT, signal.SIGQUIT, signal.SIGHUP)]
            cases += [(["drag-xy", x - 20, y, x + 20, y], Pointer.Button1Mask, signal.SIGTERM),
                      (["click-xy", x, y, "--button", "right"], Pointer.Button3Mask, signal.SIGTERM)]
            for args, button, number in cases:
                with self.subTest(command=" ".join(map(str, args[:1] + args[3:])), signal=number.name):
                    process = start_tool(args)
                    try:
                        pressed = harness.wait_for(lambda: pointer.buttons_down(button), timeout=5, interval=0.001)
                        process.send_signal(number)
                        status, out, err = self.finished(process)
                    finally:
                        if process.poll() is None:
                            process.kill()
                            process.wait()
                    self.assertTrue(pressed, "the button never went down")
                    self.assertEqual((status, out, err), (-number, "", ""))
                    self.assertFalse(pointer.buttons_down(button), "the button is still held")
        finally:
            pointer.close()


if __name__ == "__main__":
    unittest.main()
