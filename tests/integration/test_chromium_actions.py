"""Keys, drags, find's --depth and --wait, and click and type by query in
Chromium through the built binary, on a local page (pages/actions.html),
with the effects read back through pyatspi."""

import time
import unittest

import harness
import real_apps

TITLE = "Tavik Actions Page - Chromium"


def actions_command(folder, server):
    argv, extra = real_apps.chromium_command(folder, server)
    return argv[:-1] + [server.url("actions.html")], extra


ROW = real_apps.Application(
    "Chromium", "chromium", actions_command, TITLE, browser=True,
    ready=lambda records: bool(real_apps.matches(records, real_apps.PUSH_BUTTON, "Deep action button")))


class ChromiumActionsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = real_apps.PageServer()
        try:
            cls.app = real_apps.launch(ROW, cls.server)
        except BaseException:
            cls.server.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.app.stop()
        cls.server.close()

    def records(self):
        return real_apps.flatten(real_apps.reference_tree(self.app.pid, self.app.index, ROW.depth))

    def find(self, *options):
        return harness.run_json(self, ["find", self.app.pid, "--window", self.app.index] + list(options))

    def only(self, *options):
        found = self.find(*options)
        self.assertEqual(len(found), 1, found)
        return found[0]

    def click_centre(self, record):
        harness.run_json(self, ["click-xy", record["x"] + record["width"] / 2, record["y"] + record["height"] / 2])

    def test_1_return_submits_the_form_and_ctrl_l_focuses_the_address_bar(self):
        self.click_centre(self.only("--role", "textfield", "--label", "Query"))
        self.assertEqual(harness.run_json(self, ["key", "End", "Return"]),
                         {"success": True, "keys": ["End", "Return"]})
        self.assertTrue(harness.wait_for(lambda: real_apps.text_shown("Submitted: hello")(self.records()), timeout=10))

        harness.run_json(self, ["key", "ctrl+l"])
        focused = lambda: [r for r in real_apps.matches(self.records(), "entry", state="focused")
                           if "ddress" in r.get("name", "")]
        self.assertTrue(harness.wait_for(focused, timeout=10), "the address bar did not take the focus")
        harness.run_json(self, ["key", "Escape", "Escape"])
        # Back into the page for the other tests.
        self.click_centre(self.only("--role", "textfield", "--label", "Query"))

    def test_2_drag_selects_text(self):
        words = self.only("--role", "statictext", "--value", "alpha beta gamma delta")
        y = words["y"] + words["height"] / 2
        harness.run_json(self, ["drag-xy", words["x"] + 2, y, words["x"] + words["width"] + 4, y])
        selected = lambda: _selected_in(self.app.pid, "alpha beta gamma delta")
        self.assertTrue(harness.wait_for(lambda: selected() == "alpha beta gamma delta", timeout=5), selected())

    def test_3_depth_reaches_the_deep_button_that_plain_find_misses(self):
        self.assertEqual(self.find("--role", "button", "--label", "Deep action button"), [])
        deep = self.only("--role", "button", "--label", "Deep action button", "--depth", "40")
        self.assertGreater(deep["path"].count("."), 15)
        answer = harness.run_json(self, ["click", self.app.pid, deep["path"], "--window", self.app.index])
        self.assertTrue(answer.get("success"), answer)
        self.assertTrue(harness.wait_for(lambda: real_apps.text_shown("Deep: 1")(self.records()), timeout=10))

    def test_4_wait_finds_an_element_that_appears_later_and_returns_at_once_when_present(self):
        reveal = self.only("--role", "button", "--label", "Reveal later")
        started = time.monotonic()
        harness.run_json(self, ["click", self.app.pid, reveal["path"], "--window", self.app.index])
        # The button appears a second after the click, while find waits.
        late = self.find("--role", "button", "--label", "Late button", "--wait", "8000")
        waited = time.monotonic() - started
        self.assertEqual([m["title"] for m in late], ["Late button"])
        self.assertGreater(waited, 0.8)
        self.assertLess(waited, 7)
        started = time.monotonic()
        self.assertEqual(len(self.find("--role", "button", "--label", "Late button", "--wait", "30000")), 1)
        self.assertLess(time.monotonic() - started, 5)

    def test_5_click_and_type_by_query_act_on_the_one_match_and_refuse_the_rest(self):
        shown = lambda text: real_apps.text_shown(text)(self.records())
        self.assertTrue(shown("Tallied:"))
        paths = [m["path"] for m in self.find("--role", "button", "--label", "tally")]
        self.assertEqual(len(paths), 3, paths)
        listed = "3 elements match (%s)" % ", ".join(paths)
        window = ["--window", self.app.index]
        refused = [
            (["click", self.app.pid, "--role", "button", "--label", "tally"],
             listed + "; add --nth or a narrower query"),
            (["click", self.app.pid, "--role", "button", "--label", "tally", "--nth", "3"],
             "--nth 3 is out of range: " + listed),
            (["click", self.app.pid, "--role", "button", "--label", "No such button"], "No element matches"),
            (["type", self.app.pid, "--role", "textfield", "--label", "No such field", "--text", "x"],
             "No element matches"),
        ]
        for args, message in refused:
            with self.subTest(args=args):
                self.assertEqual(harness.run_json(self, args + window, status=1), {"error": message})

        # Each press appends its button's word: a press by a refused run
        # would have come first and shown in the list.
        answer = harness.run_json(self, ["click", self.app.pid, "--role", "button", "--label", "Tally two"] + window)
        self.assertEqual(answer, {"success": True, "method": "AXPress", "path": paths[1]})
        self.assertTrue(harness.wait_for(lambda: shown("Tallied: two"), timeout=10))
        answer = harness.run_json(self, ["click", self.app.pid, "--role", "button", "--label", "tally", "--nth", "2"]
                                  + window)
        self.assertEqual(answer, {"success": True, "method": "AXPress", "path": paths[2]})
        self.assertTrue(harness.wait_for(lambda: shown("Tallied: two three"), timeout=10))

        note = self.only("--role", "textfield", "--label", "Tally note")
        answer = harness.run_json(self, ["type", self.app.pid, "--role", "textfield", "--label", "Tally note",
                                         "--text", "by query"] + window)
        self.assertEqual((answer.get("success"), answer.get("text"), answer.get("path")), (True, "by query", note["path"]))
        typed = lambda: [r.get("text") for r in real_apps.matches(self.records(), "entry", "Tally note")] == ["by query"]
        self.assertTrue(harness.wait_for(typed, timeout=10))


def _selected_in(pid, text):
    """The selected part of the page's accessible whose text this is."""
    import pyatspi
    from x11_fixture import _accessible

    def has_text(node):
        try:
            t = node.queryText()
            return t.getText(0, t.characterCount) == text
        except Exception:
            return False

    node = _accessible(pid, lambda n: n.getRole() != pyatspi.ROLE_PARAGRAPH and has_text(n))
    if node is None:
        return None
    t = node.queryText()
    if t.getNSelections() == 0:
        return ""
    start, end = t.getSelection(0)
    return t.getText(start, end)


if __name__ == "__main__":
    unittest.main()
