"""tavik-ax on a sway desktop: window and element geometry in screen
coordinates, for every row of sway_harness.TABLE and for two same-titled
windows of one process. The witnesses are sway's tree (where it placed the
client's window) and pyatspi (where the toolkit puts each element inside
its window); the screen point a toolkit's window coordinates count from is
sway's content, grown by the margin a client draws around it (see
sway_harness.Launched.surface).

Run: tools/with-sway /usr/bin/python3 -m unittest discover -s tests/wayland \
         -t tests/wayland -p 'test_wayland_geometry.py' -v
"""

import unittest

import sway_harness  # first: it puts tests/integration on the import path
from sway_harness import harness, real_apps


def geometry(record):
    return tuple(record.get(key) for key in ("x", "y", "width", "height"))


def near(found, expected, slack):
    """The same rectangle, but for a vertical shift of at most slack."""
    return found[0] == expected[0] and found[2:] == expected[2:] and found[1] is not None and (
        abs(found[1] - expected[1]) <= slack)


def shown(reference):
    """Elements that pyatspi shows with a size (GTK 4 marks them only
    visible)."""
    states = reference.get("states", [])
    return ("showing" in states or "visible" in states) and reference.get("width", 0) > 0 and (
        reference.get("height", 0) > 0)


class GeometryChecks:
    app = None

    @classmethod
    def setUpClass(cls):
        cls.running = sway_harness.Launched(cls.app)
        cls.addClassCleanup(cls.running.stop)

    def origin(self):
        """What to add to pyatspi's coordinates for screen coordinates."""
        if self.app.coordinates == "screen":
            return 0, 0
        return self.running.surface()[:2]

    def test_list_windows_gives_the_window_where_sway_shows_it(self):
        records = [r for r in harness.run_json(self, ["list-windows"]) if r["pid"] == self.running.pid]
        mine = [r for r in records if r["title"] == self.app.title]
        self.assertEqual(len(mine), 1, records)
        self.assertEqual(mine[0]["windowIndex"], self.running.frame_reference()["index"])
        self.assertTrue(near(geometry(mine[0]), self.running.surface(), self.app.vertical_slack),
                        "%s, sway's content %s" % (geometry(mine[0]), self.running.sway_window()["content"]))

    def test_read_tree_gives_elements_where_the_toolkit_draws_them(self):
        index = self.running.frame_reference()["index"]
        tree = harness.run_json(self, ["read-tree", self.running.pid, self.app.depth, index])
        tool = {r["path"]: r for r in real_apps.flatten(tree)}
        reference = self.running.reference_tree()
        dx, dy = self.origin()
        surface = self.running.surface()
        for role, name in self.app.landmarks:
            with self.subTest(landmark=(role, name)):
                [ref] = [r for r in real_apps.matches(reference, role, name) if shown(r)][:1] or [None]
                self.assertIsNotNone(ref, "pyatspi has no %s %r on view" % (role, name))
                record = tool.get(ref["path"])
                self.assertIsNotNone(record, "read-tree has nothing at %s" % ref["path"])
                expected = (ref["x"] + dx, ref["y"] + dy, ref["width"], ref["height"])
                self.assertTrue(near(geometry(record), expected, self.app.vertical_slack),
                                "read-tree %s, expected %s" % (geometry(record), expected))
        # Every element pyatspi shows inside the window, at its place.
        wrong = []
        for ref in reference:
            record = tool.get(ref["path"])
            if record is None or not shown(ref):
                continue
            expected = (ref["x"] + dx, ref["y"] + dy, ref["width"], ref["height"])
            inside = surface[0] <= expected[0] < surface[0] + surface[2] and (
                surface[1] <= expected[1] < surface[1] + surface[3])
            if inside and not near(geometry(record), expected, self.app.vertical_slack):
                wrong.append((ref["path"], ref["role"], ref.get("name"), geometry(record), expected))
        self.assertEqual(wrong[:8], [], "%d elements off their place" % len(wrong))


for _app in sway_harness.TABLE:
    globals()["Geometry" + _app.name] = type("Geometry" + _app.name, (GeometryChecks, unittest.TestCase),
                                             {"app": _app})
del _app


class TwinWindowsGeometry(unittest.TestCase):
    """Two floating windows "Tavik Twin" of one process, 360x240 (a button
    "First") and 260x180 (a button "Second"): each gets the place of the
    sway window of its own size."""

    @classmethod
    def setUpClass(cls):
        cls.running = sway_harness.Launched(sway_harness.TWINS)
        cls.addClassCleanup(cls.running.stop)

    def sway_content(self, width, height):
        [content] = [w["content"] for w in sway_harness.sway_windows_of({self.running.pid}, "Tavik Twin")
                     if w["content"][2:] == (width, height)]
        return content

    def test_list_windows_places_each_twin(self):
        records = [r for r in harness.run_json(self, ["list-windows"])
                   if r["pid"] == self.running.pid and r["title"] == "Tavik Twin"]
        self.assertEqual(sorted(geometry(r) for r in records),
                         sorted([self.sway_content(360, 240), self.sway_content(260, 180)]))

    def test_read_tree_places_each_twins_button(self):
        frames = [w for w in real_apps.reference_windows(self.running.pid) if w.get("name") == "Tavik Twin"]
        self.assertEqual(len(frames), 2)
        for frame in frames:
            with self.subTest(size=(frame["width"], frame["height"])):
                x, y, _, _ = self.sway_content(frame["width"], frame["height"])
                reference = real_apps.flatten(real_apps.reference_tree(self.running.pid, frame["index"], 5))
                [button] = real_apps.matches(reference, real_apps.PUSH_BUTTON)
                tree = harness.run_json(self, ["read-tree", self.running.pid, 5, frame["index"]])
                tool = {r["path"]: r for r in real_apps.flatten(tree)}
                self.assertIn(button["path"], tool)
                self.assertEqual(geometry(tool[button["path"]]),
                                 (x + button["x"], y + button["y"], button["width"], button["height"]))


if __name__ == "__main__":
    unittest.main()
