"""tavik-ax's input on a headless GNOME desktop (mutter's remote-desktop
service), checked by its effect only: what the GTK 3 fixtures of
tests/input-fixture report they received, natively on Wayland, and what
pyatspi reads from them and from GTK 4 (gtk4-demo). Screen points come from
where the screen shows each window (gnome_harness); the tool is never asked
what it did.

Run: tools/with-mutter /usr/bin/python3 -m unittest discover -s tests/gnome \
         -t tests/gnome -p 'test_gnome_input.py' -v
"""

import unittest

import gnome_harness  # first: it puts tests/wayland and tests/integration on the import path
from gnome_harness import centre, harness, real_apps, settled
from test_wayland_actions import Runs, set_text, shown
from test_x11_actions import selected_text, showing_menu_item
from x11_fixture import _accessible, accessible_text

POINTER_UNKNOWN = {"error": "Could not read the pointer position"}
# Mutter types a keysym with the key its keyboard layout has for it (the
# test desktop's is US English); what the layout lacks it drops unsaid.
TYPED = "Hello, World! 42"


class Gtk3InputOnGnome(Runs, unittest.TestCase):
    """The input fixture: a button "Increment", a "Click target" without
    actions that notes where it was clicked, a scrolled list, a "Key
    recorder" that refuses text set through accessibility."""

    @classmethod
    def setUpClass(cls):
        cls.fixture = gnome_harness.ReportingFixture("tavik_input_fixture", "Tavik Input Fixture")
        cls.addClassCleanup(cls.fixture.stop)

    def element_path(self, name):
        index = self.fixture.running.frame_reference()["index"]
        records = real_apps.flatten(real_apps.reference_tree(self.fixture.pid, index, 8))
        [record] = [r for r in records if r.get("name") == name][:1] or [None]
        self.assertIsNotNone(record, "pyatspi has no %r" % name)
        return record["path"]

    def test_click_xy_presses_the_button_once_per_run_and_hits_the_exact_pixel(self):
        before = self.fixture.report()
        x, y = centre(self.fixture.screen("button"))
        for _ in range(3):
            self.assertEqual(harness.run_json(self, ["click-xy", x + 0.4, y + 0.6]),
                             {"success": True, "x": int(x + 0.4), "y": int(y + 0.6)})
        self.fixture.wait(lambda r: r["clicks"] >= before["clicks"] + 3)
        self.assertEqual(self.fixture.settled("clicks"), before["clicks"] + 3)

        target = self.fixture.screen("target")
        x, y = target["x"] + 7, target["y"] + 5
        self.run_ok("click-xy", x, y)
        report = self.fixture.wait(lambda r: r["targetClicks"] > before["targetClicks"])
        self.assertEqual(report["targetClicks"], before["targetClicks"] + 1)
        self.assertEqual(self.fixture.screen_point(report["lastTargetClick"]), {"x": x, "y": y})

    def test_scroll_moves_the_list_down_and_back_up(self):
        start = self.fixture.report()["scroll"]["value"]
        self.run_ok("scroll", -120, "--at", *centre(self.fixture.screen("scrollArea")))
        down = settled(lambda: self.fixture.report()["scroll"]["value"])
        self.assertGreater(down, start, "scrolling down moved nothing")
        self.run_ok("scroll", 40)
        self.assertLess(self.fixture.wait(lambda r: r["scroll"]["value"] < down)["scroll"]["value"], down)

    def test_type_falls_back_to_keys_where_the_text_cannot_be_set(self):
        before = self.fixture.report()["typed"]
        answer = harness.run_json(self, ["type", self.fixture.pid, self.element_path("Key recorder"), TYPED])
        self.assertEqual(answer, {"success": True, "method": "CGEvent", "text": TYPED})
        # The first key of the run's session arrives too (mutter's quirk).
        self.assertEqual(settled(lambda: self.fixture.report()["typed"]), before + TYPED)

    def test_a_centre_click_needs_a_window_position_gnome_does_not_give(self):
        before = self.fixture.report()["targetClicks"]
        answer = harness.run_json(self, ["click", self.fixture.pid, self.element_path("Click target")])
        self.assertEqual(answer, {"error": "No click method available"})
        self.assertEqual(settled(lambda: self.fixture.report()["targetClicks"]), before)


class Gtk3ActionsOnGnome(Runs, unittest.TestCase):
    """The actions fixture (an entry "Words", a menu button, a scale, a
    sideways and an upright scrolled area, a hover area)."""

    @classmethod
    def setUpClass(cls):
        cls.fixture = gnome_harness.ReportingFixture("tavik_actions_fixture", "Tavik Actions Fixture")
        cls.addClassCleanup(cls.fixture.stop)

    def setUp(self):
        set_text(self.fixture.pid, "Words", "alpha beta gamma")
        self.addCleanup(set_text, self.fixture.pid, "Words", "alpha beta gamma")

    def entry_text(self):
        return accessible_text(self.fixture.pid, "Words")

    def close_menu(self, item):
        """Closes a menu left open by a click beside it: on headless mutter
        a key of a later run does not reach a menu an earlier run opened
        (its keyboard grab went with that run's keyboard), so Escape does
        not close it."""
        for _ in range(3):
            if not showing_menu_item(self.fixture.pid, item):
                return
            hover = self.fixture.screen("hover")
            harness.run_tool(["click-xy", hover["x"] + hover["width"] - 4, hover["y"] + hover["height"] - 4])
            harness.wait_for(lambda: not showing_menu_item(self.fixture.pid, item), timeout=2)

    def test_combinations_hold_modifiers_and_release_them(self):
        self.run_ok("click-xy", *centre(self.fixture.screen("entry")))
        self.run_ok("key", "End")
        self.run_ok("key", "ctrl+a", "BackSpace", "shift+a", "B", "ctrl+shift+Home")
        self.assertTrue(harness.wait_for(lambda: self.entry_text() == "AB", timeout=5), self.entry_text())
        self.assertTrue(harness.wait_for(lambda: selected_text(self.fixture.pid, "Words") == "AB", timeout=5),
                        selected_text(self.fixture.pid, "Words"))
        self.run_ok("key", "End", "z", "Left", "shift+Home", "BackSpace")
        self.assertTrue(harness.wait_for(lambda: self.entry_text() == "z", timeout=5), self.entry_text())

    # A known fault of mutter 43 (Debian 12): on headless mutter GTK 3 takes
    # a double or triple click of mutter's remote-desktop pointer as single
    # clicks (the same presses select a word on X11 and sway); not yet
    # understood. Mutter 48 (Debian 13) passes them on.
    @(unittest.expectedFailure if real_apps.installed_version("mutter") < (48,) else (lambda test: test))
    def test_double_and_triple_clicks_select_a_word_and_the_line(self):
        entry = self.fixture.screen("entry")
        y = entry["y"] + entry["height"] / 2
        self.assertEqual(harness.run_json(self, ["click-xy", entry["x"] + 24, y, "--count", "2"]),
                         {"success": True, "x": int(entry["x"] + 24), "y": int(y), "count": 2})
        self.assertTrue(harness.wait_for(lambda: selected_text(self.fixture.pid, "Words") == "alpha", timeout=5),
                        selected_text(self.fixture.pid, "Words"))
        self.run_ok("click-xy", entry["x"] + 64, y, "--count", "3")
        self.assertTrue(harness.wait_for(lambda: selected_text(self.fixture.pid, "Words") == "alpha beta gamma",
                                         timeout=5), selected_text(self.fixture.pid, "Words"))

    def test_right_click_opens_the_context_menu(self):
        before = self.fixture.report()["contextMenus"]
        self.addCleanup(self.close_menu, "Select All")
        self.run_ok("click-xy", *centre(self.fixture.screen("entry")), "--button", "right")
        self.assertTrue(harness.wait_for(lambda: showing_menu_item(self.fixture.pid, "Select All"), timeout=5),
                        "no context menu in the tree")
        self.assertEqual(self.fixture.wait(lambda r: r["contextMenus"] > before)["contextMenus"], before + 1)

    def test_drag_moves_the_scale(self):
        scale = _accessible(self.fixture.pid, lambda n: n.name == "Scale").queryValue()
        scale.currentValue = 0
        self.addCleanup(setattr, scale, "currentValue", 0)
        rect = self.fixture.screen("scale")
        y = rect["y"] + rect["height"] / 2
        self.run_ok("drag-xy", rect["x"] + 4, y, rect["x"] + rect["width"] / 2, y)
        value = self.fixture.settled("scaleValue")
        self.assertTrue(40 <= value <= 60, value)
        self.run_ok("move-xy", rect["x"] + rect["width"] - 4, y)
        self.assertEqual(self.fixture.settled("scaleValue"), value)

    def scroll_back(self):
        """The sideways scrolled area back at its start, through pyatspi."""
        import pyatspi

        bar = _accessible(self.fixture.pid, lambda n: n.getRole() == pyatspi.ROLE_SCROLL_BAR and
                          n.getState().contains(pyatspi.STATE_HORIZONTAL), "Wide area")
        bar.queryValue().currentValue = 0

    def test_scrolls_sideways_both_ways(self):
        start = self.fixture.report()["wideValue"]
        self.addCleanup(self.scroll_back)
        wide_x, wide_y = centre(self.fixture.screen("wide"))
        self.run_ok("scroll", -120, "--horizontal", "--at", wide_x, wide_y)
        right = self.fixture.settled("wideValue")
        self.assertGreater(right, start, "scrolling right moved nothing")
        self.run_ok("scroll", 40, "--horizontal")
        self.assertLess(self.fixture.wait(lambda r: r["wideValue"] < right)["wideValue"], right)

    def test_move_xy_moves_the_pointer_which_pointer_cannot_read(self):
        hover = self.fixture.screen("hover")
        for dx in (20, 70):
            x, y = hover["x"] + dx, hover["y"] + 30
            self.assertEqual(harness.run_json(self, ["move-xy", x, y]), {"success": True, "x": x, "y": y})
            seen = self.fixture.wait(lambda r: self.fixture.screen_point(r["lastMotion"]) == {"x": x, "y": y})
            self.assertEqual(self.fixture.screen_point(seen["lastMotion"]), {"x": x, "y": y})
            self.assertEqual(harness.run_json(self, ["pointer"], status=1), POINTER_UNKNOWN)


class Gtk4DemoOnGnome(Runs, unittest.TestCase):
    """gtk4-demo: its search toggle clicked at its centre on the screen
    shows the search entry; keys edit the entry; a scroll over the demo
    list moves it."""

    app = next(a for a in gnome_harness.sway_harness.TABLE if a.name == "Gtk4Demo")
    depth = 10

    @classmethod
    def setUpClass(cls):
        cls.running = gnome_harness.Launched(cls.app)
        cls.addClassCleanup(cls.running.stop)
        cls.index = cls.running.frame_reference()["index"]
        records = real_apps.flatten(real_apps.reference_tree(cls.running.pid, cls.index, cls.depth))

        def path(test):
            return next(r["path"] for r in records if test(r))
        cls.search = path(lambda r: r["role"] == real_apps.GTK4_SEARCH_ROLE and r["name"] == "Search")
        cls.entry = gnome_harness.sway_harness.gtk4_search_entry_path(cls.running.pid, cls.index, records,
                                                                      cls.search)
        cls.demo_list = path(lambda r: r["role"] == "list" and r["name"] == "Demo list")

    def at(self, path, depth=0):
        return gnome_harness.sway_harness.reference_at(self.running.pid, self.index, path, depth)

    def await_at(self, path, test, timeout=10):
        return harness.wait_for(lambda: (lambda r: r if test(r) else None)(self.at(path)), timeout=timeout,
                                interval=0.2)

    def screen_centre(self, path):
        return centre(self.running.screen(self.at(path)))

    def hide_search(self):
        if shown(self.at(self.entry)):
            gnome_harness.sway_harness.reference_node(self.running.pid, self.index, self.entry).queryEditableText(
            ).setTextContents("")
            gnome_harness.sway_harness.reference_node(self.running.pid, self.index, self.search).queryAction(
            ).doAction(0)
            self.await_at(self.entry, lambda r: not shown(r), timeout=5)

    def test_a_click_shows_the_search_entry_and_keys_edit_it(self):
        self.assertFalse(shown(self.at(self.entry)))
        self.addCleanup(self.hide_search)
        self.run_ok("click-xy", *self.screen_centre(self.search))
        self.assertTrue(self.await_at(self.entry, shown), "the click at the search toggle showed no entry")
        self.run_ok("click-xy", *self.screen_centre(self.entry))
        self.run_ok("key", "ctrl+a", "BackSpace", "shift+a", "B", "End", "Left", "BackSpace", "c")
        self.assertTrue(self.await_at(self.entry, lambda r: r and r.get("text") == "cB"), self.at(self.entry))

    def test_a_scroll_over_the_demo_list_moves_it(self):
        pane = self.demo_list.rsplit(".", 1)[0]

        def position():
            ranges = [r for r in real_apps.flatten(self.at(pane, depth=2)) if real_apps.is_gtk4_scroll_bar(r)]
            return sum(r.get("value", 0) for r in ranges)
        before = position()
        self.addCleanup(lambda: harness.run_tool(["scroll", 2000, "--at", *self.screen_centre(pane)]))
        self.run_ok("scroll", -400, "--at", *self.screen_centre(pane))
        self.assertTrue(harness.wait_for(lambda: position() > before, timeout=10, interval=0.2),
                        "the scroll moved nothing")


if __name__ == "__main__":
    unittest.main()
