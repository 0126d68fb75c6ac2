"""tavik-ax's input on a sway desktop, checked by its effect only: what the
GTK 3 fixtures of tests/input-fixture report they received (running
natively on Wayland), what pyatspi reads from them and from GTK 4
(gtk4-demo) and Qt 6 (qt6ct) windows. The tool is never asked what it did.

Run: tools/with-sway /usr/bin/python3 -m unittest discover -s tests/wayland \
         -t tests/wayland -p 'test_wayland_actions.py' -v
"""

import unittest

import sway_harness  # first: it puts tests/integration on the import path
from sway_harness import centre, harness, real_apps
from test_x11_actions import selected_text, showing_menu_item
from x11_fixture import _accessible, accessible_text

TYPED = "Héllo 東京 😀"
POINTER_UNKNOWN = {"error": "Could not read the pointer position"}


def set_text(pid, name, text):
    """Sets the text of process pid's accessible with this name through
    pyatspi (as the fixture allows), to start each test from the same text."""
    _accessible(pid, lambda n: n.name == name).queryEditableText().setTextContents(text)


class Runs:
    """What every test class here does with the tool."""

    def run_ok(self, *args):
        answer = harness.run_json(self, list(args))
        self.assertTrue(answer.get("success"), answer)
        return answer


class Gtk3ActionsOnWayland(Runs, unittest.TestCase):
    """The actions fixture (an entry "Words", a menu button, a scale, a
    sideways and an upright scrolled area, a hover area)."""

    @classmethod
    def setUpClass(cls):
        cls.fixture = sway_harness.ReportingFixture("tavik_actions_fixture", "Tavik Actions Fixture")
        cls.addClassCleanup(cls.fixture.stop)

    def setUp(self):
        set_text(self.fixture.pid, "Words", "alpha beta gamma")
        self.addCleanup(set_text, self.fixture.pid, "Words", "alpha beta gamma")

    def entry_text(self):
        return accessible_text(self.fixture.pid, "Words")

    def focus_entry(self):
        self.run_ok("click-xy", *centre(self.fixture.screen("entry")))
        self.run_ok("key", "End")

    def close_menu(self, item):
        """Escape until no menu showing `item` is left open (an open menu
        holds the pointer and keyboard and would spoil the tests after)."""
        for _ in range(3):
            if not showing_menu_item(self.fixture.pid, item):
                return
            harness.run_tool(["key", "Escape"])
            harness.wait_for(lambda: not showing_menu_item(self.fixture.pid, item), timeout=2)

    def test_return_activates_the_entry_and_escape_closes_a_pop_up_menu(self):
        self.focus_entry()
        before = self.fixture.report()["activations"]
        self.run_ok("key", "Return")
        self.assertEqual(self.fixture.wait(lambda r: r["activations"] > before)["activations"], before + 1)

        self.addCleanup(self.close_menu, "Menu item 1")
        self.run_ok("click-xy", *centre(self.fixture.screen("menuButton")))
        self.assertTrue(self.fixture.wait(lambda r: r["menuOpen"])["menuOpen"], "the menu did not open")
        self.assertTrue(harness.wait_for(lambda: showing_menu_item(self.fixture.pid, "Menu item 1"), timeout=5))
        self.run_ok("key", "esc")
        self.assertFalse(self.fixture.wait(lambda r: not r["menuOpen"])["menuOpen"], "Escape left the menu open")

    def test_combinations_hold_modifiers_and_type_keys_no_layout_has(self):
        self.focus_entry()
        # Ctrl+A selects all, BackSpace clears, shift+a and B are capitals,
        # é is no key of a plain layout, ctrl+shift+Home selects back to
        # the start.
        self.run_ok("key", "ctrl+a", "BackSpace", "shift+a", "B", "eacute", "ctrl+shift+Home")
        self.assertTrue(harness.wait_for(lambda: self.entry_text() == "ABé", timeout=5), self.entry_text())
        self.assertTrue(harness.wait_for(lambda: selected_text(self.fixture.pid, "Words") == "ABé", timeout=5),
                        selected_text(self.fixture.pid, "Words"))
        # Nothing stays held: plain keys after it are lower case, unmodified.
        self.run_ok("key", "End", "z", "Left", "shift+Home", "BackSpace")
        self.assertTrue(harness.wait_for(lambda: self.entry_text() == "z", timeout=5), self.entry_text())

    def test_double_and_triple_clicks_select_a_word_and_the_line(self):
        entry = self.fixture.screen("entry")
        y = entry["y"] + entry["height"] / 2
        # Inside the first word.
        self.assertEqual(harness.run_json(self, ["click-xy", entry["x"] + 24, y, "--count", "2"]),
                         {"success": True, "x": int(entry["x"] + 24), "y": int(y), "count": 2})
        self.assertTrue(harness.wait_for(lambda: selected_text(self.fixture.pid, "Words") == "alpha", timeout=5),
                        selected_text(self.fixture.pid, "Words"))
        # Further right than a double click may stray: a series of its own.
        self.run_ok("click-xy", entry["x"] + 64, y, "--count", "3")
        self.assertTrue(harness.wait_for(lambda: selected_text(self.fixture.pid, "Words") == "alpha beta gamma",
                                         timeout=5), selected_text(self.fixture.pid, "Words"))

    def test_right_click_opens_the_context_menu(self):
        before = self.fixture.report()["contextMenus"]
        self.addCleanup(self.close_menu, "Select All")
        answer = self.run_ok("click-xy", *centre(self.fixture.screen("entry")), "--button", "right")
        self.assertEqual(answer["button"], "right")
        self.assertTrue(harness.wait_for(lambda: showing_menu_item(self.fixture.pid, "Select All"), timeout=5),
                        "no context menu in the tree")
        self.assertEqual(self.fixture.wait(lambda r: r["contextMenus"] > before)["contextMenus"], before + 1)
        self.run_ok("key", "Escape")
        self.assertTrue(harness.wait_for(lambda: not showing_menu_item(self.fixture.pid, "Select All"), timeout=5))

    def test_drag_moves_the_scale(self):
        scale = _accessible(self.fixture.pid, lambda n: n.name == "Scale").queryValue()
        scale.currentValue = 0
        self.addCleanup(setattr, scale, "currentValue", 0)
        rect = self.fixture.screen("scale")
        y = rect["y"] + rect["height"] / 2
        # From the left end (the slider is at 0) to the middle of the trough.
        self.run_ok("drag-xy", rect["x"] + 4, y, rect["x"] + rect["width"] / 2, y)
        # Where the drag's last step leaves the slider.
        value = self.fixture.settled("scaleValue")
        self.assertTrue(40 <= value <= 60, value)
        # The button is up again: a move along the trough drags nothing.
        self.run_ok("move-xy", rect["x"] + rect["width"] - 4, y)
        self.assertEqual(self.fixture.settled("scaleValue"), value)

    def scroll_back(self):
        """Both scrolled areas back at their start, through pyatspi."""
        import pyatspi

        for area, orientation in (("Wide area", pyatspi.STATE_HORIZONTAL), ("Tall area", pyatspi.STATE_VERTICAL)):
            bar = _accessible(self.fixture.pid, lambda n: n.getRole() == pyatspi.ROLE_SCROLL_BAR and
                              n.getState().contains(orientation), area)
            bar.queryValue().currentValue = 0

    def test_scrolls_down_up_and_sideways_at_the_pointer_or_a_point(self):
        self.addCleanup(self.scroll_back)
        report = self.fixture.report()
        # The pointer rests on the hover area, away from both scrolled areas.
        self.run_ok("move-xy", *centre(self.fixture.screen("hover")))
        wide_x, wide_y = centre(self.fixture.screen("wide"))
        self.assertEqual(harness.run_json(self, ["scroll", -120, "--horizontal", "--at", wide_x, wide_y]),
                         {"success": True, "deltaX": -120, "x": int(wide_x), "y": int(wide_y)})
        # Each step moves it; where the last one leaves it is taken.
        right = self.fixture.settled("wideValue")
        self.assertGreater(right, report["wideValue"], "scrolling right moved nothing")
        # Positive scrolls left, at the pointer, which is still there.
        self.run_ok("scroll", 40, "--horizontal")
        self.assertLess(self.fixture.wait(lambda r: r["wideValue"] < right)["wideValue"], right)
        self.assertEqual(self.fixture.report()["tallValue"], report["tallValue"])

        self.run_ok("scroll", -80, "--at", *centre(self.fixture.screen("tall")))
        down = self.fixture.settled("tallValue")
        self.assertGreater(down, report["tallValue"], "scrolling down moved nothing")
        self.run_ok("scroll", 40)
        self.assertLess(self.fixture.wait(lambda r: r["tallValue"] < down)["tallValue"], down)

    def test_move_xy_moves_the_pointer_which_pointer_cannot_read(self):
        hover = self.fixture.screen("hover")
        for dx in (20, 70):
            x, y = hover["x"] + dx, hover["y"] + 30
            self.assertEqual(harness.run_json(self, ["move-xy", x, y]), {"success": True, "x": x, "y": y})
            seen = self.fixture.wait(lambda r: self.fixture.screen_point(r["lastMotion"]) == {"x": x, "y": y})
            self.assertEqual(self.fixture.screen_point(seen["lastMotion"]), {"x": x, "y": y})
            # No Wayland client learns where the pointer is; a run that did
            # not move it says so rather than give a stale or made-up place.
            self.assertEqual(harness.run_json(self, ["pointer"], status=1), POINTER_UNKNOWN)


class Gtk3InputOnWayland(Runs, unittest.TestCase):
    """The input fixture (a button "Increment", a "Click target" without
    actions, a "Key recorder" and a "Text view" that refuse text set
    through accessibility)."""

    @classmethod
    def setUpClass(cls):
        cls.fixture = sway_harness.ReportingFixture("tavik_input_fixture", "Tavik Input Fixture")
        cls.addClassCleanup(cls.fixture.stop)

    def element_path(self, name):
        """The path of the fixture's element with this accessible name, as
        pyatspi numbers it."""
        index = self.fixture.running.frame_reference()["index"]
        records = real_apps.flatten(real_apps.reference_tree(self.fixture.pid, index, 8))
        [record] = [r for r in records if r.get("name") == name][:1] or [None]
        self.assertIsNotNone(record, "pyatspi has no %r" % name)
        return record["path"]

    def test_click_xy_at_the_button_centre_presses_it_once_per_run(self):
        before = self.fixture.report()["clicks"]
        x, y = centre(self.fixture.screen("button"))
        for _ in range(3):
            self.assertEqual(harness.run_json(self, ["click-xy", x + 0.4, y + 0.6]),
                             {"success": True, "x": int(x + 0.4), "y": int(y + 0.6)})
        self.fixture.wait(lambda r: r["clicks"] >= before + 3)
        self.assertEqual(self.fixture.settled("clicks"), before + 3)

    def test_click_by_path_presses_through_the_action_or_clicks_the_centre(self):
        before = self.fixture.report()
        self.assertEqual(harness.run_json(self, ["click", self.fixture.pid, self.element_path("Increment")]),
                         {"success": True, "method": "AXPress"})
        self.assertEqual(self.fixture.wait(lambda r: r["clicks"] > before["clicks"])["clicks"], before["clicks"] + 1)

        # No press action: a click at the centre, which the target gets.
        x, y = centre(self.fixture.screen("target"))
        answer = harness.run_json(self, ["click", self.fixture.pid, self.element_path("Click target")])
        self.assertEqual(answer, {"success": True, "method": "CGEvent", "x": int(x), "y": int(y)})
        report = self.fixture.wait(lambda r: r["targetClicks"] > before["targetClicks"])
        self.assertEqual(report["targetClicks"], before["targetClicks"] + 1)
        self.assertEqual(self.fixture.screen_point(report["lastTargetClick"]), {"x": int(x), "y": int(y)})

    def test_type_falls_back_to_keys_where_the_text_cannot_be_set(self):
        # Accents, CJK and an emoji have no key on any layout: each gets a
        # key of the run's own keymap.
        cases = [("Key recorder", TYPED, lambda: self.fixture.report()["typed"]),
                 ("Text view", TYPED + "\n\tA", lambda: accessible_text(self.fixture.pid, "Text view"))]
        for name, text, read in cases:
            with self.subTest(name):
                before = read()
                answer = harness.run_json(self, ["type", self.fixture.pid, self.element_path(name), text])
                self.assertEqual(answer, {"success": True, "method": "CGEvent", "text": text})
                # The keys are with the compositor when the run ends; the
                # text they make is taken once it stops changing.
                self.assertEqual(sway_harness.settled(read), before + text)


# ---------------------------------------------------------------------------
# GTK 4 and Qt 6

def is_source_text(record):
    """gtk4-demo's Source page text."""
    return record["role"] == "text" and record["name"] == "Source"


def shown(record):
    states = (record or {}).get("states", [])
    return ("showing" in states or "visible" in states) and record.get("width", 0) > 0 and record.get("height", 0) > 0


class ToolkitChecks(Runs):
    """A click by path through the press action and at the centre of an
    element without one, typing, key combinations and a scroll, in one
    application of another toolkit; each row says what it clicks and types
    in and what that changes, read through pyatspi. The whole window is
    read to find an element (which takes seconds in a large window); its
    effect is then read on that element alone."""

    app = None
    depth = 10

    @classmethod
    def setUpClass(cls):
        cls.running = sway_harness.Launched(cls.app)
        cls.addClassCleanup(cls.running.stop)
        # The application's one window, whatever its title becomes
        # (gtk4-demo names it after the demo the search picks).
        cls.index = cls.running.frame_reference()["index"]

    def records(self):
        return real_apps.flatten(real_apps.reference_tree(self.running.pid, self.index, self.depth))

    def find(self, test):
        """The first shown record of the window for which test(record) holds, or None."""
        return next((r for r in self.records() if shown(r) and test(r)), None)

    def named(self, role, name):
        """The path of the window's element with this role and name, shown or not."""
        found = next((r for r in self.records() if r["role"] == role and r["name"] == name), None)
        self.assertIsNotNone(found, "pyatspi has no %s %r" % (role, name))
        return found["path"]

    def at(self, path, depth=0):
        """pyatspi's record of the element at path now, or None."""
        return sway_harness.reference_at(self.running.pid, self.index, path, depth)

    def await_at(self, path, test, timeout=10):
        """Waits until test(record at path) holds; that record, or None."""
        return harness.wait_for(lambda: (lambda r: r if test(r) else None)(self.at(path)), timeout=timeout,
                                interval=0.2)

    def do_action(self, path):
        """Runs the element's first action through pyatspi (to set the
        stage or clean up, not as a check)."""
        sway_harness.reference_node(self.running.pid, self.index, path).queryAction().doAction(0)

    def screen_centre(self, record):
        """Where the element's centre is on the screen: native toolkits
        report positions inside their window."""
        [window] = sway_harness.sway_windows_of({self.running.pid})
        x, y = window["content"][:2]
        return x + record["x"] + record["width"] / 2, y + record["y"] + record["height"] / 2

    def test_click_by_path_presses_through_the_action(self):
        path, shows = self.press_check()
        self.assertEqual(harness.run_json(self, ["click", self.running.pid, path]),
                         {"success": True, "method": "AXPress"})
        self.assertTrue(self.await_at(shows, shown), "pressing %s showed nothing at %s" % (path, shows))

    def test_click_by_path_clicks_the_centre_of_an_element_without_a_press_action(self):
        path, effect = self.centre_check()
        target = self.at(path)
        self.assertTrue(shown(target), target)
        answer = harness.run_json(self, ["click", self.running.pid, path])
        x, y = self.screen_centre(target)
        self.assertEqual(answer, {"success": True, "method": "CGEvent", "x": int(x), "y": int(y)})
        self.assertTrue(effect(), "the click at the centre of %s changed nothing" % path)

    def test_type_sets_or_keys_the_text(self):
        path, method = self.typing_check()
        answer = harness.run_json(self, ["type", self.running.pid, path, TYPED])
        self.assertEqual(answer, {"success": True, "method": method, "text": TYPED})
        self.assertEqual(sway_harness.settled(lambda: self.at(path).get("text")), TYPED)

    def test_key_combinations_edit_the_focused_field(self):
        path, keys, expected = self.keys_check()
        self.run_ok("click-xy", *self.screen_centre(self.at(path)))
        self.run_ok("key", *keys)
        self.assertTrue(self.await_at(path, expected), "after %s pyatspi reads %s" % (keys, self.at(path)))

    def test_scroll_at_a_point_moves_what_lies_there(self):
        path, amount, moved = self.scroll_check()
        self.run_ok("scroll", amount, "--at", *self.screen_centre(self.at(path)))
        self.assertTrue(harness.wait_for(moved, timeout=10, interval=0.2), "the scroll moved nothing")


class Gtk4DemoActions(ToolkitChecks, unittest.TestCase):
    app = next(a for a in sway_harness.TABLE if a.name == "Gtk4Demo")

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        records = real_apps.flatten(real_apps.reference_tree(cls.running.pid, cls.index, cls.depth))

        def path(test):
            return next(r["path"] for r in records if test(r))

        def tab(label):
            return path(lambda r: r["role"] == "page tab" and any(
                c.get("name") == label for c in r.get("children", [])))
        cls.search = path(lambda r: r["role"] == real_apps.GTK4_SEARCH_ROLE and r["name"] == "Search")
        cls.entry = sway_harness.gtk4_search_entry_path(cls.running.pid, cls.index, records, cls.search)
        cls.source_tab, cls.info_tab = tab("Source"), tab("Info")
        # GTK 4.18 (Debian 13) builds a notebook page's tree only once the
        # page shows; 4.8 has the Source page's text from the start.
        cls.source = next((r["path"] for r in records if is_source_text(r)), None)
        cls.demo_list = path(lambda r: r["role"] == "list" and r["name"] == "Demo list")

    def hide_search(self):
        """Clears the search entry and hides the search bar, as at the start."""
        if shown(self.at(self.entry)):
            sway_harness.reference_node(self.running.pid, self.index, self.entry).queryEditableText(
            ).setTextContents("")
            self.do_action(self.search)
            self.await_at(self.entry, lambda r: not shown(r), timeout=5)

    def show_search(self):
        self.addCleanup(self.hide_search)
        if not shown(self.at(self.entry)):
            self.do_action(self.search)
            self.assertTrue(self.await_at(self.entry, shown))

    def press_check(self):
        # The search toggle shows the search bar with its entry.
        self.assertFalse(shown(self.at(self.entry)))
        self.addCleanup(self.hide_search)
        return self.search, self.entry

    def centre_check(self):
        # A notebook tab has no action; a click on it shows its page.
        if self.source is not None:
            self.assertFalse(shown(self.at(self.source)))
        self.addCleanup(lambda: harness.run_tool(["click-xy", *self.screen_centre(self.at(self.info_tab))]))
        if self.source is not None:
            return self.source_tab, lambda: self.await_at(self.source, shown)
        return self.source_tab, lambda: harness.wait_for(lambda: any(
            is_source_text(r) and shown(r) for r in real_apps.flatten(self.at("0", depth=self.depth))),
            timeout=10, interval=0.5)

    def typing_check(self):
        self.show_search()
        return self.entry, "AXSetValue"

    def keys_check(self):
        self.show_search()
        return self.entry, ["ctrl+a", "BackSpace", "shift+a", "B", "eacute", "End", "Left", "BackSpace"], (
            lambda record: record and record.get("text") == "Aé")

    def scroll_check(self):
        # The demo list scrolled down: the ranges of its scroll bars move
        # on (GTK 4.8 does not update the places of rows scrolled away).
        pane = self.demo_list.rsplit(".", 1)[0]

        def position():
            ranges = [r for r in real_apps.flatten(self.at(pane, depth=2)) if real_apps.is_gtk4_scroll_bar(r)]
            return sum(r.get("value", 0) for r in ranges)
        before = position()
        self.addCleanup(lambda: harness.run_tool(["scroll", 2000, "--at", *self.screen_centre(self.at(pane))]))
        return pane, -400, lambda: position() > before


class Qt6ctActions(ToolkitChecks, unittest.TestCase):
    app = next(a for a in sway_harness.TABLE if a.name == "Qt6ct")
    depth = 13  # the preview's line edit lies 12 levels down

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        records = real_apps.flatten(real_apps.reference_tree(cls.running.pid, cls.index, cls.depth))
        cls.tabs = {r["name"]: r["path"] for r in records if r["role"] == "page tab"}

    def interface_page(self):
        """Shows the Interface tab (the Appearance tab again afterwards);
        the paths of its spin boxes from the top: the double click
        interval, the cursor flash time."""
        self.addCleanup(self.do_action, self.tabs["Appearance"])
        self.do_action(self.tabs["Interface"])

        def spins():
            records = [r for r in self.records() if shown(r)]
            if not any(r["role"] == "label" and r["name"] == "Double click interval:" for r in records):
                return None
            return sorted((r for r in records if r["role"] == "spin button"), key=lambda r: r["y"])
        found = harness.wait_for(spins, timeout=10, interval=0.2)
        self.assertTrue(found, "the Interface tab shows no spin box")
        return [r["path"] for r in found]

    def press_check(self):
        # The Interface tab shows its page.
        self.addCleanup(self.do_action, self.tabs["Appearance"])
        label = self.named("label", "Double click interval:")
        self.assertFalse(shown(self.at(label)))
        return self.tabs["Interface"], label

    def centre_check(self):
        # A spin box has no press action; a click at its centre gives it
        # the keyboard focus, so the keys that follow change its value.
        path = self.interface_page()[0]

        def focused():
            self.run_ok("key", "ctrl+a", "4", "2")
            return self.await_at(path, lambda r: r.get("value") == 42)
        return path, focused

    def typing_check(self):
        # Qt 6 takes a text through accessibility (the preview's line
        # edit), so type never needs keys here.
        found = harness.wait_for(lambda: self.find(lambda r: r["role"] == "text" and "editable" in r["states"]),
                                 timeout=10, interval=0.2)
        self.assertIsNotNone(found, "no line edit on view")
        return found["path"], "AXSetValue"

    def keys_check(self):
        path = self.interface_page()[1]
        return path, ["ctrl+a", "7", "5", "0"], lambda record: record.get("value") == 750

    def scroll_check(self):
        # The wheel over a spin box steps its value: up is one more.
        path = self.interface_page()[1]
        before = self.at(path)["value"]
        return path, 40, lambda: self.at(path)["value"] == before + 1


if __name__ == "__main__":
    unittest.main()
