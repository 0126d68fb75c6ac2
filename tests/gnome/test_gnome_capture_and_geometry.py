"""Screenshots and geometry on a headless GNOME desktop: the tool's picture
of the screen against a frame mutter's screen-cast service gives this test
itself, and the GTK 3 input fixture's colour patch where the screen shows
its window; window and element positions either right or left out (mutter
tells a process of the same user no window position), never wrong.

Run: tools/with-mutter /usr/bin/python3 -m unittest discover -s tests/gnome \
         -t tests/gnome -p 'test_gnome_capture_and_geometry.py' -v
"""

import os
import shutil
import tempfile
import unittest

import gnome_harness  # first: it puts tests/wayland and tests/integration on the import path
from gnome_harness import harness, real_apps

GEOMETRY = ("x", "y", "width", "height")


class Gtk3FixtureOnGnome(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmpdir = tempfile.mkdtemp(prefix="tavik-gnome-capture-")
        cls.addClassCleanup(shutil.rmtree, cls.tmpdir, ignore_errors=True)
        cls.fixture = gnome_harness.ReportingFixture("tavik_input_fixture", "Tavik Input Fixture")
        cls.addClassCleanup(cls.fixture.stop)

    def screenshot(self, *args, status=0):
        answer = harness.run_json(self, ["screenshot"] + [str(a) for a in args], status=status,
                                  env=dict(os.environ, TMPDIR=self.tmpdir))
        return answer

    def test_screen_capture_is_the_frame_mutter_gives(self):
        answer = self.screenshot()
        self.assertTrue(answer.get("success"), answer)
        self.assertEqual([answer[k] for k in ("scope",) + GEOMETRY], ["screen", 0, 0, 1280, 1024])
        width, height, pixels = gnome_harness.sway_harness.png_pixels(answer["path"])
        frame = gnome_harness.Frame()
        self.assertEqual((width, height), (frame.width, frame.height))
        differing = gnome_harness.sway_harness.differing_pixels(width, pixels, frame.pixels)
        self.assertEqual(differing[:10], [], "%d pixels differ from mutter's frame" % len(differing))
        # The patch where the screen shows the window plus where the fixture reports it.
        patch = self.fixture.screen("patch")
        colour = tuple(self.fixture.report()["patchColour"])
        for dx, dy in [(2, 2), (patch["width"] - 3, patch["height"] - 3)]:
            at = ((patch["y"] + dy) * width + patch["x"] + dx) * 3
            self.assertEqual(tuple(pixels[at:at + 3]), colour)

    def test_a_window_screenshot_needs_a_window_position_gnome_does_not_give(self):
        answer = self.screenshot(self.fixture.pid, status=1)
        self.assertIn("error", answer)
        self.assertFalse(os.path.exists(os.path.join(self.tmpdir, "tavik-shots")) and
                         os.listdir(os.path.join(self.tmpdir, "tavik-shots")))

    def test_list_windows_and_read_tree_leave_positions_out_but_keep_sizes(self):
        records = [r for r in harness.run_json(self, ["list-windows"]) if r["pid"] == self.fixture.pid]
        self.assertEqual(len(records), 1, records)
        frame = self.fixture.running.frame_reference()
        self.assertNotIn("x", records[0])
        self.assertNotIn("y", records[0])
        if "width" in records[0]:
            self.assertEqual((records[0]["width"], records[0]["height"]), (frame["width"], frame["height"]))

        tree = harness.run_json(self, ["read-tree", self.fixture.pid, 8, frame["index"]])
        reference = {r["path"]: r for r in real_apps.flatten(real_apps.reference_tree(self.fixture.pid,
                                                                                        frame["index"], 8))}

        def walk(node, found):
            found.append(node)
            for child in node.get("children", []):
                walk(child, found)
            return found
        nodes = walk(tree, [])
        self.assertGreater(len(nodes), 5)
        for node in nodes:
            self.assertNotIn("x", node, node)
            self.assertNotIn("y", node, node)
            expected = reference.get(node.get("path"))
            if "width" in node and expected:
                self.assertEqual((node["width"], node["height"]), (expected["width"], expected["height"]), node)


if __name__ == "__main__":
    unittest.main()
