"""Keys, pointer moves, right, double and triple clicks, drags, sideways and
targeted scrolls on X11 through the built binary, checked by what the GTK
actions fixture (tests/input-fixture/tavik_actions_fixture.c) reports and
by pyatspi."""

import json
import os
import tempfile
import time
import unittest

import harness
from test_x11_input import keymap
from x11_fixture import _accessible, accessible_text, centre, vertical_scrollbar_value

TITLE = "Tavik Actions Fixture"


class ActionsFixture:
    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="tavik-actions-fixture-")
        self.report_path = os.path.join(self.folder, "report.json")
        self.process = harness.start_app(
            [harness.build_path("tests", "input-fixture", "tavik_actions_fixture"), self.report_path], TITLE)
        self.pid = self.process.pid
        if not harness.wait_for(self.report, timeout=10):
            self.stop()
            raise AssertionError("the actions fixture wrote no report")

    def report(self):
        try:
            with open(self.report_path, encoding="utf-8") as report:
                return json.load(report)
        except (OSError, ValueError):
            return None

    def wait(self, condition, timeout=5):
        """The first report for which condition(report) holds, or the last one."""
        found = harness.wait_for(lambda: (lambda r: r if r and condition(r) else None)(self.report()), timeout)
        return found or self.report()

    def stop(self):
        harness.stop(self.process)
        for name in os.listdir(self.folder):
            os.unlink(os.path.join(self.folder, name))
        os.rmdir(self.folder)


def horizontal_scrollbar_value(pid, within):
    import pyatspi

    node = _accessible(
        pid,
        lambda n: n.getRole() == pyatspi.ROLE_SCROLL_BAR and n.getState().contains(pyatspi.STATE_HORIZONTAL),
        within,
    )
    return node.queryValue().currentValue


def selected_text(pid, name):
    """The selected part of the accessible's text, through pyatspi."""
    node = _accessible(pid, lambda n: n.name == name)
    text = node.queryText()
    if text.getNSelections() == 0:
        return ""
    start, end = text.getSelection(0)
    return text.getText(start, end)


def showing_menu_item(pid, name):
    import pyatspi

    return _accessible(pid, lambda n: n.getRole() == pyatspi.ROLE_MENU_ITEM and n.name == name
                       and n.getState().contains(pyatspi.STATE_SHOWING)) is not None


class X11ActionsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.fixture = ActionsFixture()
        # The window takes the focus with a click on its hover area, which
        # does nothing else.
        x, y = centre(cls.fixture.report()["hover"])
        harness.run_tool(["click-xy", x, y])

    @classmethod
    def tearDownClass(cls):
        cls.fixture.stop()

    def run_ok(self, *args):
        answer = harness.run_json(self, list(args))
        self.assertTrue(answer.get("success"), answer)
        return answer

    def focus_entry(self):
        entry = self.fixture.report()["entry"]
        self.run_ok("click-xy", *centre(entry))
        self.run_ok("key", "End")

    def close_menu(self, item):
        """Escape until no menu showing `item` is left open."""
        for _ in range(3):
            if not showing_menu_item(self.fixture.pid, item):
                return
            harness.run_tool(["key", "Escape"])
            harness.wait_for(lambda: not showing_menu_item(self.fixture.pid, item), timeout=2)

    def entry_text(self):
        return accessible_text(self.fixture.pid, "Words")

    def test_return_activates_the_entry_and_escape_closes_a_menu(self):
        self.focus_entry()
        before = self.fixture.report()["activations"]
        self.assertEqual(harness.run_json(self, ["key", "Return"]), {"success": True, "keys": ["Return"]})
        self.assertEqual(self.fixture.wait(lambda r: r["activations"] > before)["activations"], before + 1)

        self.addCleanup(self.close_menu, "Menu item 1")
        self.run_ok("click-xy", *centre(self.fixture.report()["menuButton"]))
        self.assertTrue(self.fixture.wait(lambda r: r["menuOpen"])["menuOpen"], "the menu did not open")
        self.assertTrue(harness.wait_for(lambda: showing_menu_item(self.fixture.pid, "Menu item 1"), timeout=5))
        self.run_ok("key", "esc")
        self.assertFalse(self.fixture.wait(lambda r: not r["menuOpen"])["menuOpen"], "Escape left the menu open")

    def test_combinations_press_modifiers_and_keys_the_layout_lacks_and_restore_the_key_map(self):
        self.focus_entry()
        mapping_before = keymap()
        # Ctrl+A selects all, BackSpace clears, shift+a is a capital, é has
        # no key on the layout (a spare keycode takes it), plus its name.
        self.run_ok("key", "ctrl+a", "BackSpace", "shift+a", "B", "eacute", "ctrl+shift+Home")
        self.assertTrue(harness.wait_for(lambda: self.entry_text() == "ABé", timeout=5), self.entry_text())
        self.assertTrue(harness.wait_for(lambda: selected_text(self.fixture.pid, "Words") == "ABé", timeout=5))
        self.assertEqual(keymap(), mapping_before)
        # A name that is no key, also after good ones: nothing is pressed
        # and the key map stays as it was.
        self.run_ok("key", "End")
        for combos in (["x", "eacute", "ctrl+nosuchkey"], ["Return", "ctrl+"]):
            with self.subTest(combos=combos):
                answer = harness.run_json(self, ["key"] + combos, status=1)
                self.assertEqual(set(answer), {"error"})
                self.assertTrue(answer["error"].startswith("Unknown key: "), answer)
        # A key waited for comes after anything the refused calls could
        # have pressed.
        self.run_ok("key", "z")
        harness.wait_for(lambda: self.entry_text().endswith("z"), timeout=5)
        self.assertEqual(self.entry_text(), "ABéz")
        self.assertEqual(keymap(), mapping_before)
        self.run_ok("key", "ctrl+a", "BackSpace")
        for letter in "alpha beta gamma":
            self.run_ok("key", "space" if letter == " " else letter)
        self.assertTrue(harness.wait_for(lambda: self.entry_text() == "alpha beta gamma", timeout=5))

    def test_double_and_triple_clicks_select_a_word_and_the_line(self):
        entry = self.fixture.report()["entry"]
        # Inside the first word.
        x, y = entry["x"] + 24, entry["y"] + entry["height"] / 2
        self.assertEqual(harness.run_json(self, ["click-xy", x, y, "--count", "2"]),
                         {"success": True, "x": int(x), "y": int(y), "count": 2})
        self.assertTrue(harness.wait_for(lambda: selected_text(self.fixture.pid, "Words") == "alpha", timeout=5),
                        selected_text(self.fixture.pid, "Words"))
        time.sleep(0.6)  # past the double-click time: a new series
        self.run_ok("click-xy", x, y, "--count", "3")
        self.assertTrue(harness.wait_for(lambda: selected_text(self.fixture.pid, "Words") == "alpha beta gamma",
                                         timeout=5))

    def test_right_click_opens_the_context_menu(self):
        before = self.fixture.report()["contextMenus"]
        # Closed also when a check below fails: an open menu holds the
        # pointer and would spoil the tests after this one.
        self.addCleanup(self.close_menu, "Select All")
        answer = self.run_ok("click-xy", *centre(self.fixture.report()["entry"]), "--button", "right")
        self.assertEqual(answer["button"], "right")
        self.assertTrue(harness.wait_for(lambda: showing_menu_item(self.fixture.pid, "Select All"), timeout=5),
                        "no context menu in the tree")
        # The menu reaches the tree before the fixture's next report.
        self.assertEqual(self.fixture.wait(lambda r: r["contextMenus"] > before)["contextMenus"], before + 1)
        self.run_ok("key", "Escape")
        self.assertTrue(harness.wait_for(lambda: not showing_menu_item(self.fixture.pid, "Select All"), timeout=5))

    def test_drag_moves_the_scale(self):
        scale = self.fixture.report()["scale"]
        y = scale["y"] + scale["height"] / 2
        # From the left end (the slider is at 0) to the middle of the trough.
        answer = self.run_ok("drag-xy", scale["x"] + 4, y, scale["x"] + scale["width"] / 2, y)
        self.assertEqual(answer["x2"], int(scale["x"] + scale["width"] / 2))
        value = lambda: _accessible(self.fixture.pid, lambda n: n.name == "Scale").queryValue().currentValue
        self.assertTrue(harness.wait_for(lambda: 40 <= value() <= 60, timeout=5), value())

    def test_sideways_and_targeted_scrolls_move_the_area_under_the_point(self):
        report = self.fixture.report()
        # The pointer rests on the hover area, away from both scrolled areas.
        self.run_ok("move-xy", *centre(report["hover"]))
        wide_x, wide_y = centre(report["wide"])
        self.assertEqual(harness.run_json(self, ["scroll", -120, "--horizontal", "--at", wide_x, wide_y]),
                         {"success": True, "deltaX": -120, "x": int(wide_x), "y": int(wide_y)})
        right = harness.wait_for(lambda: horizontal_scrollbar_value(self.fixture.pid, "Wide area") or None, timeout=5)
        self.assertGreater(right or 0, 0, "scrolling right moved nothing")
        # Positive scrolls left, at the pointer, which is still there.
        self.run_ok("scroll", 40, "--horizontal")
        self.assertTrue(harness.wait_for(lambda: horizontal_scrollbar_value(self.fixture.pid, "Wide area") < right,
                                         timeout=5))
        self.assertEqual(vertical_scrollbar_value(self.fixture.pid, "Tall area"), 0)
        tall_x, tall_y = centre(report["tall"])
        self.run_ok("scroll", -80, "--at", tall_x, tall_y)
        self.assertTrue(harness.wait_for(lambda: vertical_scrollbar_value(self.fixture.pid, "Tall area") > 0,
                                         timeout=5))

    def test_move_xy_moves_the_pointer_only_and_pointer_reads_it(self):
        hover = self.fixture.report()["hover"]
        for dx in (20, 70):
            x, y = hover["x"] + dx, hover["y"] + 30
            self.assertEqual(harness.run_json(self, ["move-xy", x, y]), {"success": True, "x": x, "y": y})
            self.assertEqual(self.fixture.wait(lambda r: r["lastMotion"] == {"x": x, "y": y})["lastMotion"],
                             {"x": x, "y": y})
            self.assertEqual(harness.run_json(self, ["pointer"]), {"x": x, "y": y})

    def test_bad_operands_answer_an_error_and_post_nothing(self):
        hover = self.fixture.report()["hover"]
        x, y = hover["x"] + 40, hover["y"] + 40
        self.run_ok("move-xy", x, y)
        before = self.fixture.wait(lambda r: r["lastMotion"] == {"x": x, "y": y})
        cases = [
            ["move-xy", "10"], ["move-xy", "10", "ten"], ["drag-xy", "1", "2", "3"], ["drag-xy", "1", "2", "3", "y"],
            ["click-xy", x, y, "--count", "0"], ["click-xy", x, y, "--count", "4"],
            ["click-xy", x, y, "--button", "left-ish"], ["scroll", "-40", "--at", "5"], ["key", "nosuchkey"],
        ]
        for args in cases:
            with self.subTest(args=args):
                answer = harness.run_json(self, args, status=1)
                self.assertEqual(set(answer), {"error"})
        self.assertEqual(harness.run_json(self, ["pointer"]), {"x": x, "y": y})
        # A last motion, waited for, comes after anything the refused calls
        # could have posted: then the report has seen all of it.
        self.run_ok("move-xy", x + 1, y)
        after = self.fixture.wait(lambda r: r["lastMotion"] == {"x": x + 1, "y": y})
        self.assertEqual(after["motions"], before["motions"] + 1)
        for key in ("activations", "contextMenus", "tallValue", "wideValue", "scaleValue"):
            self.assertEqual(after[key], before[key], key)


if __name__ == "__main__":
    unittest.main()
