"""Synthetic input on X11 through the built binary: click-xy, scroll, and the
synthetic fallbacks of click and type, checked by what the GTK input
fixture received."""

import subprocess
import threading
import time
import unittest

import harness
from x11_fixture import InputFixture, accessible_text, centre, vertical_scrollbar_value


def keymap():
    """The core keyboard mapping as xmodmap prints it."""
    return subprocess.run(["xmodmap", "-pke"], capture_output=True, text=True, timeout=10, check=True).stdout


class X11InputTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.fixture = InputFixture()

    @classmethod
    def tearDownClass(cls):
        cls.fixture.stop()

    def element_path(self, label):
        """The path of the fixture's element with this accessible name."""
        matches = harness.run_json(self, ["find", self.fixture.pid, "--label", label])
        self.assertIsInstance(matches, list, matches)
        paths = [m["path"] for m in matches if m.get("title") == label or m.get("description") == label]
        self.assertTrue(paths, "no element named %r in %r" % (label, matches))
        return paths[0]

    def test_click_xy_at_the_button_centre_presses_it_once_per_run(self):
        before = self.fixture.report()["clicks"]
        x, y = centre(self.fixture.report()["button"])
        # An unrounded point: the click lands on the pixel that holds it.
        for _ in range(5):
            answer = harness.run_json(self, ["click-xy", x + 0.4, y + 0.6])
            self.assertEqual(answer, {"success": True, "x": int(x + 0.4), "y": int(y + 0.6)})
        report = self.fixture.wait(lambda r: r["clicks"] >= before + 5)
        time.sleep(0.3)
        self.assertEqual(self.fixture.report()["clicks"], before + 5, report)

    def scroll_value_after(self, amount):
        answer = harness.run_json(self, ["scroll", amount])
        self.assertEqual(answer, {"success": True, "deltaY": amount})
        return self.fixture.settled("scroll")["value"]

    def test_scroll_moves_the_area_under_the_pointer_by_started_40_pixel_steps(self):
        area = self.fixture.report()["scrollArea"]
        # The pointer goes over the list (a click on a line does nothing).
        harness.run_json(self, ["click-xy", area["x"] + 40, area["y"] + 40])
        top = self.scroll_value_after(2147483647)
        self.assertEqual(top, 0)
        one_step = self.scroll_value_after(-1) - top
        self.assertGreater(one_step, 0, "scrolling down moved nothing")
        cases = [(-40, 2), (-41, 4), (120, 1)]  # amount, steps below the top afterwards
        for amount, steps in cases:
            with self.subTest(amount=amount):
                self.assertAlmostEqual(self.scroll_value_after(amount), top + steps * one_step, delta=0.01)
        # The largest amounts are capped at 50 steps and end at once; the
        # list is long enough for the cap to show.
        scroll = self.fixture.report()["scroll"]
        self.assertGreater(scroll["upper"] - scroll["page"], 52 * one_step)
        started = time.monotonic()
        self.assertAlmostEqual(self.scroll_value_after(-2147483648), top + 51 * one_step, delta=0.05)
        self.assertLess(time.monotonic() - started, 10)
        self.assertAlmostEqual(self.scroll_value_after(2147483647), top + one_step, delta=0.05)

    def test_wheel_steps_arrive_apart_and_each_moves_the_scroll_bar(self):
        # Steps that arrive together are merged by some applications
        # (Chromium over an inner scroll box), so the steps of one run
        # reach the server apart; each moves the bar, read through pyatspi.
        area = self.fixture.report()["scrollArea"]
        harness.run_json(self, ["click-xy", area["x"] + 40, area["y"] + 40])
        self.scroll_value_after(2147483647)
        top = vertical_scrollbar_value(self.fixture.pid, "Scroll area")
        self.scroll_value_after(-1)
        one_step = vertical_scrollbar_value(self.fixture.pid, "Scroll area") - top
        self.assertGreater(one_step, 0, "scrolling down moved nothing")
        for amount, steps in [(-400, 10), (-2000, 50)]:
            with self.subTest(amount=amount):
                self.scroll_value_after(2147483647)
                before = self.fixture.report()["wheelTimes"]
                self.scroll_value_after(amount)
                self.assertAlmostEqual(vertical_scrollbar_value(self.fixture.pid, "Scroll area"), top + steps * one_step,
                                       delta=0.05)
                times = self.fixture.report()["wheelTimes"][-steps:]
                self.assertNotEqual(times[0], before[-1], "fewer wheel steps arrived than sent")
                gaps = [later - earlier for earlier, later in zip(times, times[1:])]
                self.assertGreaterEqual(min(gaps), 8, "wheel steps came in a burst: gaps %r ms" % gaps)

    def test_click_without_a_press_action_clicks_the_element_centre(self):
        path = self.element_path("Click target")
        before = self.fixture.report()
        answer = harness.run_json(self, ["click", self.fixture.pid, path])
        x, y = centre(before["target"])
        self.assertEqual(answer, {"success": True, "method": "CGEvent", "x": int(x), "y": int(y)})
        report = self.fixture.wait(lambda r: r["targetClicks"] > before["targetClicks"])
        self.assertEqual(report["targetClicks"], before["targetClicks"] + 1)
        self.assertEqual(report["lastTargetClick"], {"x": int(x), "y": int(y)})

    def test_type_falls_back_to_keys_and_the_exact_text_arrives(self):
        path = self.element_path("Key recorder")
        mapping_before = keymap()
        texts = [
            ("ASCII symbols", "~!@#$%^&*()_+{}|:\"<>?`-=[]\\;',./ "),
            ("upper and lower case", "Hello WORLD"),
            ("e with a combining acute", "e\u0301"),
            ("precomposed e acute", "\u00e9t\u00e9"),
            ("emoji with modifiers and joiners", "\U0001F600\U0001F44D\U0001F3FD\U0001F468\u200d\U0001F469\u200d\U0001F467\U0001F1EF\U0001F1F5"),
            ("CJK", "\u4f60\u597d\u4e16\u754c\u65e5\u672c\u8a9e"),
            # More distinct characters than X leaves spare keycodes.
            ("a long pangram", "The quick brown fox jumps over the lazy dog 0123456789"),
        ]
        for name, text in texts:
            with self.subTest(name):
                before = self.fixture.report()["typed"]
                answer = harness.run_json(self, ["type", self.fixture.pid, path, text])
                self.assertEqual(answer, {"success": True, "method": "CGEvent", "text": text})
                report = self.fixture.wait(lambda r: len(r["typed"]) >= len(before) + len(text))
                time.sleep(0.3)
                self.assertEqual(self.fixture.report()["typed"][len(before):], text, report)
        # The spare keycodes lend their keysyms only while typing.
        self.assertEqual(keymap(), mapping_before)

    def test_type_into_a_text_view_uses_the_layout_keys_and_spares_only_for_the_rest(self):
        # The text view refuses text set through accessibility, so type
        # falls back to keys; its text is read back through pyatspi.
        path = self.element_path("Text view")
        mapping_before = keymap()
        samples = []
        stop = threading.Event()

        def sample():
            while not stop.is_set():
                samples.append(keymap())
                time.sleep(0.02)

        # Keys the layout holds (ASCII, Shift levels, Return, Tab, a CR LF
        # pair as one Return) go out on their own keycodes: the key map
        # never changes while they are typed.
        layout_text = "Ab C!\nd\te\r\nF"
        sampler = threading.Thread(target=sample)
        sampler.start()
        try:
            answer = harness.run_json(self, ["type", self.fixture.pid, path, layout_text])
        finally:
            stop.set()
            sampler.join()
        self.assertEqual(answer, {"success": True, "method": "CGEvent", "text": layout_text})
        expected = "Ab C!\nd\te\nF"
        self.assertTrue(harness.wait_for(lambda: accessible_text(self.fixture.pid, "Text view") == expected, timeout=5),
                        accessible_text(self.fixture.pid, "Text view"))
        self.assertGreater(len(samples), 3)
        self.assertTrue(all(s == mapping_before for s in samples), "the key map changed while typing layout keys")

        # Characters the layout lacks between ones it has.
        mixed = "\u00e9\n\u4f60\t\U0001F600x\u00e9\u597d"
        answer = harness.run_json(self, ["type", self.fixture.pid, path, mixed])
        self.assertEqual(answer, {"success": True, "method": "CGEvent", "text": mixed})
        expected += mixed
        self.assertTrue(harness.wait_for(lambda: accessible_text(self.fixture.pid, "Text view") == expected, timeout=5),
                        accessible_text(self.fixture.pid, "Text view"))
        self.assertEqual(keymap(), mapping_before)


if __name__ == "__main__":
    unittest.main()
