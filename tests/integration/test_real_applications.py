"""The same checks through the built binary against real applications of
every mainstream toolkit: Chromium, Firefox and Epiphany (WebKitGTK) on a
local test page, GTK 4 (gtk4-demo), Qt 5 (FeatherPad), Qt 6 (qt6ct),
LibreOffice (VCL) and Java Swing (a small window of ours,
tests/integration/swing, through Debian's ATK bridge). real_apps.TABLE names
each application's targets; pyatspi (atspi_reference.py), the X server and
the saved picture are the independent witnesses.

Run: tools/with-desktop /usr/bin/python3 -m unittest discover -s tests/integration \
         -t tests/integration -p 'test_real_applications.py' -v
"""

import json
import os
import subprocess
import re
import unittest

import harness
import real_apps

# Pixels a toolkit may place an element or window off what the X server or
# pyatspi says (client-side decoration margins, borders).
TOLERANCE = 12


# The roles read-tree gives to the AT-SPI roles of controls.
ROLES = {
    real_apps.PUSH_BUTTON: {"AXButton"},
    "toggle button": {"AXButton", "AXCheckBox"},
    "check box": {"AXCheckBox"},
    "radio button": {"AXRadioButton"},
    "link": {"AXLink"},
    "entry": {"AXTextField", "AXTextArea"},
    "combo box": {"AXPopUpButton", "AXComboBox"},
    "page tab": {"AXPageTab"},
    "page tab list": {"AXTabGroup"},
    "menu item": {"AXMenuItem"},
    "menu bar": {"AXMenuBar"},
    "scroll bar": {"AXScrollBar"},
    "slider": {"AXSlider"},
    "list": {"AXList"},
}


def steady(name):
    """A name without what changes by itself: Chromium adds the tab's memory
    use to its tab names after a while, and the figure changes."""
    if not isinstance(name, str):
        return name
    return re.sub(r"[0-9]+([.,][0-9]+)?", "#", re.sub(r" - Memory usage - .*$", "", name))


def tool_records(tree):
    return {r["path"]: r for r in real_apps.flatten(tree)}


def geometry(record):
    return tuple(record.get(key) for key in ("x", "y", "width", "height"))


def close(found, expected):
    return all(isinstance(a, int) and abs(a - b) <= TOLERANCE for a, b in zip(found, expected))


class ApplicationChecks:
    """The checks; one TestCase per row of real_apps.TABLE mixes them in.
    They run in the order of their numbers: reading first, while the
    application looks as it started, then acting on it."""

    row = None

    @classmethod
    def setUpClass(cls):
        cls.server = real_apps.PageServer() if cls.row.browser else None
        if cls.server is not None:
            cls.addClassCleanup(cls.server.close)
        cls.start()

    @classmethod
    def start(cls):
        cls.app = real_apps.launch(cls.row, cls.server)
        cls.addClassCleanup(cls.app.stop)
        cls.pid, cls.index = cls.app.pid, cls.app.index

    def setUp(self):
        # A check that crashed the application failed already; the next one
        # gets a fresh instance.
        if not self.app.alive():
            self.app.stop()
            type(self).start()

    def tearDown(self):
        status = self.app.status()
        if status is not None:
            self.fail("%s ended (status %s) during this check" % (self.row.name, status))

    # -- helpers --------------------------------------------------------------

    def reference(self):
        """pyatspi's records of the window, in a list."""
        return real_apps.flatten(real_apps.reference_tree(self.pid, self.index, self.row.depth))

    def reference_by_path(self):
        return {r["path"]: r for r in self.reference()}

    def screen_offset(self, records):
        """What to add to pyatspi's coordinates to get screen coordinates: 0
        for toolkits whose window sits where the X server has it (with or
        without the window manager's frame), the window's position for one
        (GTK 4) that reports its window at 0,0 and everything relative to it."""
        frame = records[0]
        window, outer = real_apps.x_window(self.row.title), real_apps.x_frame(self.row.title)
        origin = (frame.get("x", 0), frame.get("y", 0))
        # No place at all for the window (Java's ATK bridge reports -1 for
        # all four) says nothing of where its elements count from: the
        # screen, as they lie inside the X window.
        if window is None or geometry(frame) == (-1, -1, -1, -1):
            return 0, 0
        if close(origin, window[:2]) or close(origin, outer[:2]):
            return 0, 0
        return window[0] - origin[0], window[1] - origin[1]

    def assert_window_geometry(self, record, what):
        """A window's geometry is the X window's, with or without the window
        manager's decoration (toolkits report either)."""
        window, frame = real_apps.x_window(self.row.title), real_apps.x_frame(self.row.title)
        self.assertIsNotNone(window, "xwininfo knows no window %r" % self.row.title)
        self.assertTrue(close(geometry(record), window) or close(geometry(record), frame),
                        "%s %s, X window %s, with its frame %s" % (what, geometry(record), window, frame))

    def target_path(self, target, records=None):
        """The path of the target: through find, or (deeper than find
        searches) through read-tree. Prefers an element pyatspi sees showing."""
        if target.deep:
            tree = tool_records(harness.run_json(self, ["read-tree", self.pid, 80, self.index]))
            hits = [p for p, r in tree.items() if r.get("title") == target.ref_name and r["role"] == "AXButton"]
            self.assertEqual(len(hits), 1, "read-tree elements titled %r: %s" % (target.ref_name, hits))
            return hits[0], tree[hits[0]]
        found = harness.run_json(self, ["find", self.pid] + target.find + ["--window", self.index])
        self.assertIsInstance(found, list)
        self.assertTrue(found, "find %s found nothing" % target.find)
        records = records or self.reference_by_path()
        candidates = [(m, records.get(m["path"]) or {}) for m in found]
        candidates = [(m, ref) for m, ref in candidates if ref.get("role") == target.ref_role and (
            target.ref_name is None or ref.get("name") == target.ref_name)]
        # Of several (an editor per tab), the one on view; else one scrolled away.
        for match, ref in sorted(candidates, key=lambda pair: "showing" not in pair[1].get("states", [])):
            return match["path"], match
        self.fail("find %s: none of %s is pyatspi's %s %r" % (
            target.find, [(m["path"], m.get("title")) for m in found], target.ref_role, target.ref_name))

    # -- the checks -------------------------------------------------------------

    def test_1_list_windows_shows_the_window_with_its_geometry(self):
        records = [r for r in harness.run_json(self, ["list-windows"]) if r["pid"] == self.pid]
        mine = [r for r in records if r["title"] == self.row.title]
        self.assertEqual(len(mine), 1, records)
        record = mine[0]
        self.assertEqual(record["windowIndex"], self.index)
        self.assert_window_geometry(record, "list-windows")

    def test_2_read_tree_agrees_with_pyatspi(self):
        tree = harness.run_json(self, ["read-tree", self.pid, self.row.depth, self.index])
        tool = tool_records(tree)
        reference = self.reference()
        self.assertEqual(tree["title"], self.row.title)
        # Element count within reason of pyatspi's (toolkit quirks may fold a few).
        self.assertLessEqual(abs(len(tool) - len(reference)), max(5, len(reference) // 10),
                             "read-tree %d elements, pyatspi %d" % (len(tool), len(reference)))
        dx, dy = self.screen_offset(reference)
        screen = real_apps.x_window(self.row.title)
        # Elements that pyatspi shows on the screen, matched by path and name.
        missing_geometry, wrong_geometry, no_press = [], [], []
        for ref in reference:
            record = tool.get(ref["path"])
            if record is None or (ref.get("name") or None) != (record.get("title") or record.get("label") or None):
                continue
            shown = self.row.shown_state in ref.get("states", []) and ref.get("width", 0) > 0 and (
                ref.get("height", 0) > 0)
            expected = (ref.get("x", 0) + dx, ref.get("y", 0) + dy, ref.get("width"), ref.get("height"))
            on_screen = screen is not None and screen[0] <= expected[0] < screen[0] + screen[2] and (
                screen[1] <= expected[1] < screen[1] + screen[3])
            if shown and on_screen:
                if "x" not in record:
                    missing_geometry.append((ref["path"], ref["role"], ref.get("name")))
                elif not close(geometry(record), expected):
                    wrong_geometry.append((ref["path"], ref.get("name"), geometry(record), expected))
            if ref["role"] == real_apps.PUSH_BUTTON and ref.get("actions") and "AXPress" not in record.get("actions", []):
                no_press.append((ref["path"], ref.get("name"), ref["actions"], record.get("actions")))
        # Every named control pyatspi sees, under its name and role (by name
        # and role, not path: a toolkit quirk may fold an element away).
        # Names are compared steady (see steady()).
        named = {(steady(r.get(key)), r["role"]) for r in tool.values() for key in ("title", "label", "description")}
        unmatched = sorted({(ref["role"], ref["name"]) for ref in reference
                            if ref.get("name") and ref["role"] in ROLES
                            and not any((steady(ref["name"]), role) in named for role in ROLES[ref["role"]])})
        self.assertEqual(unmatched[:8], [], "%d named controls missing from read-tree or under another role" % (
            len(unmatched)))
        self.assertEqual(missing_geometry[:8], [], "%d shown elements without geometry" % len(missing_geometry))
        self.assertEqual(wrong_geometry[:8], [], "%d elements off pyatspi's place" % len(wrong_geometry))
        self.assertEqual(no_press[:8], [], "%d buttons without AXPress; pyatspi's actions -> read-tree's: %s" % (
            len(no_press), sorted({(tuple(a), tuple(b or ())) for _, _, a, b in no_press})))
        for role, name in self.row.landmarks:
            with self.subTest(landmark=(role, name)):
                [ref] = real_apps.matches(reference, role, name)[:1] or [None]
                self.assertIsNotNone(ref, "pyatspi has no %s %r" % (role, name))
                record = tool.get(ref["path"])
                self.assertIsNotNone(record, "read-tree has nothing at %s" % ref["path"])
                self.assertIn(name, (record.get("title"), record.get("label"), record.get("description")))
                expected = (ref["x"] + dx, ref["y"] + dy, ref["width"], ref["height"])
                self.assertTrue(close(geometry(record), expected), "%s: read-tree %s, pyatspi %s" % (
                    name, geometry(record), expected))
        if self.row.browser:
            texts = {r.get("title") for r in tool.values()} | {r.get("value") for r in tool.values()}
            self.assertIn(real_apps.HEADING, texts)

    def test_2_snapshot_holds_every_element_to_act_on(self):
        """Every element pyatspi sees on view with an action or an editable
        text has its line in the snapshot, under its path, and the snapshot
        is at most a fifth of read-tree's size at the same depth."""
        depth = self.row.depth
        document = harness.run_json(self, ["snapshot", self.pid, "--window", self.index, "--depth", depth])
        outline = document["snapshot"]
        self.assertEqual(outline.count("\n") + 1, document["elements"], outline[-300:])
        # The window first (Qt 6 gives its window the role of a group).
        title = re.escape(json.dumps(self.row.title, ensure_ascii=False))
        self.assertRegex(outline.split("\n")[0], r"^- AX\w+ %s(?: [a-z]+)* \[0\]$" % title)
        paths = set(real_apps.snapshot_paths(outline))
        reference = self.reference()
        wanted = real_apps.to_act_on(reference, self.row.shown_state)
        self.assertTrue(wanted, "pyatspi sees nothing to act on")
        missing = [(r["path"], r["role"], r.get("name"), r.get("actions")) for r in wanted if r["path"] not in paths]
        self.assertEqual(missing[:8], [], "%d of %d elements to act on missing from the snapshot" % (
            len(missing), len(wanted)))
        code, tree, _ = harness.run_tool(["read-tree", self.pid, depth, self.index])
        self.assertEqual(code, 0, tree[:300])
        _, snapshot, _ = harness.run_tool(["snapshot", self.pid, "--window", self.index, "--depth", depth])
        self.assertLessEqual(len(snapshot) * 5, len(tree), "snapshot %d characters, read-tree %d" % (
            len(snapshot), len(tree)))

    def test_4_click_by_found_path_presses(self):
        for press in self.row.presses:
            with self.subTest(press=press.what):
                path, record = self.target_path(press.target)
                if press.target.deep:
                    # Deeper than find's default: a query still reaches it, as
                    # deep as a snapshot reads, and says which element it was.
                    answer = harness.run_json(self, ["click", self.pid] + press.target.find + ["--window", self.index])
                    self.assertEqual(answer.pop("path", None), path, answer)
                else:
                    answer = harness.run_json(self, ["click", self.pid, path, "--window", self.index])
                done = harness.wait_for(lambda: press.done(self.reference()), timeout=10, interval=0.3)
                # All three told at once: the action listed, the answer, the effect.
                self.assertEqual((record.get("actions", []).count("AXPress"), answer, bool(done)),
                                 (1, {"success": True, "method": "AXPress"}, True),
                                 "click %s (%s): found %s, effect %r seen by pyatspi" % (
                                     path, press.what, record, press.what))
                if press.target.deep:
                    self.assertGreater(path.count("."), 25)

    def check_typing(self, typing, exact):
        path, _ = self.target_path(typing.target)
        code, out, _ = harness.run_tool(["type", self.pid, path, typing.text, "--window", self.index])
        if code != 0:
            # What the desktop looked like, for a refusal that is hard to
            # reproduce: the active window and the tool's window list.
            active = subprocess.run(["xprop", "-root", "_NET_ACTIVE_WINDOW"], capture_output=True, text=True,
                                    timeout=10).stdout.strip()
            windows = harness.run_tool(["list-windows"])[1].strip()
            self.fail("type answered %s; %s; list-windows %s" % (out.strip(), active, windows))
        answer = json.loads(out)
        methods = [typing.method] if typing.method else ["AXSetValue", "CGEvent"]
        self.assertIn(answer.get("method"), methods, answer)
        self.assertEqual(answer, {"success": True, "method": answer["method"], "text": typing.text})

        def text():
            if typing.echo:
                return real_apps.echoed(self.reference(), typing.echo)
            return self.reference_by_path().get(path, {}).get("text")

        def read_back():
            found = text()
            return found == typing.text if exact else typing.text in (found or "")
        # Keys take a moment each.
        self.assertTrue(harness.wait_for(read_back, timeout=15, interval=0.3),
                        "after %s pyatspi reads %r at %s" % (answer, text(), path))

    def test_5_type_sets_the_value(self):
        if self.row.set_value is None:
            self.skipTest("%s has no field to set" % self.row.name)
        self.check_typing(self.row.set_value, exact=True)

    def test_6_type_by_keys_with_line_break_tab_and_non_ascii(self):
        if self.row.keyed is None:
            self.skipTest("%s has no field that takes key input" % self.row.name)
        # An editor may hold the text set before; the page's fields start empty.
        self.check_typing(self.row.keyed, exact=self.row.keyed.echo is not None)

    def test_3_screenshot_shows_the_window(self):
        answer = harness.run_json(self, ["screenshot", self.pid, "--window", self.index])
        self.assertTrue(answer.get("success"), answer)
        self.addCleanup(lambda: os.path.exists(answer["path"]) and os.remove(answer["path"]))
        width, height, rows = real_apps.read_png(answer["path"])
        self.assertEqual((width, height), (answer["width"], answer["height"]))
        self.assert_window_geometry(answer, "screenshot")
        self.assertGreater(rows, 20, "the picture is (nearly) uniform")

    def test_7_navigate_opens_one_new_tab(self):
        if not self.row.browser:
            self.skipTest("%s is no browser" % self.row.name)
        url = self.server.url("second.html")
        before = set(browser_processes(self.row.program, self.app.folder))
        self.addCleanup(end_new_processes, self.row.program, self.app.folder, before, self.app.process.pid)
        answer = harness.run_json(self, ["navigate", self.pid, url])
        self.assertEqual(answer, {"success": True, "method": "open", "url": url})

        def tabs(prefix):
            return [name for name in self.row.open_tabs(self.reference()) if name.startswith(prefix)]
        opened = harness.wait_for(lambda: tabs("Tavik Second Page"), timeout=20, interval=0.5)
        self.assertTrue(opened, "pyatspi sees no tab of the second page in the window")
        self.assertEqual(len(tabs("Tavik Second Page")), 1)
        self.assertEqual(len(tabs("Tavik Test Page")), 1)


def browser_processes(program, folder):
    """Pids of processes on this desktop that run the browser: its executable
    (/usr/lib/<program>/...) or its private profile folder on the command line."""
    display = os.environ.get("DISPLAY", "").encode()
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/environ" % entry, "rb") as environ:
                if b"\0DISPLAY=" + display + b"\0" not in b"\0" + environ.read() + b"\0":
                    continue
            with open("/proc/%s/cmdline" % entry, "rb") as cmdline:
                arguments = cmdline.read().decode("utf-8", "replace").split("\0")
        except OSError:
            continue
        if os.path.basename(arguments[0]) == program or any(folder in a for a in arguments):
            found.append(int(entry))
    return found


def end_new_processes(program, folder, before, group):
    """Ends what navigate started outside the browser's own process group."""
    for pid in set(browser_processes(program, folder)) - before:
        try:
            if os.getpgid(pid) != group:
                os.kill(pid, 15)
        except OSError:
            pass


# One TestCase per application of the table.
for _row in real_apps.TABLE:
    globals()[_row.name] = type(_row.name, (ApplicationChecks, unittest.TestCase), {"row": _row})
del _row


if __name__ == "__main__":
    unittest.main()
