"""Screenshots on a sway desktop: the picture of the screen and of one
window, compared pixel by pixel with grim's picture of the same area, the
window's area with the content rectangle in sway's tree, and the GTK 3
input fixture's colour patch with the place it reports.

Run: tools/with-sway /usr/bin/python3 -m unittest discover -s tests/wayland \
         -t tests/wayland -p 'test_wayland_capture.py' -v
"""

import os
import shutil
import tempfile
import unittest

import sway_harness  # first: it puts tests/integration on the import path
from sway_harness import harness

# The pointer may be drawn into one picture and not the other; it covers
# no more than this square.
CURSOR_SIZE = 64


class CaptureChecks:
    """A screenshot of the fixture's window. The fixture runs natively
    (positions in its report count from its window) or under XWayland (they
    are screen positions)."""

    backend = None

    @classmethod
    def setUpClass(cls):
        # The tool's temporary directory: a private one for these tests.
        cls.tmpdir = tempfile.mkdtemp(prefix="tavik-capture-")
        cls.addClassCleanup(shutil.rmtree, cls.tmpdir, ignore_errors=True)
        cls.fixture = sway_harness.ReportingFixture("tavik_input_fixture", "Tavik Input Fixture",
                                                    backend=cls.backend)
        cls.addClassCleanup(cls.fixture.stop)

    def screenshot(self, *args):
        """Runs screenshot; (answer, (width, height, RGB bytes) of its file)."""
        answer = harness.run_json(self, ["screenshot"] + [str(a) for a in args],
                                  env=dict(os.environ, TMPDIR=self.tmpdir))
        self.assertTrue(answer.get("success"), answer)
        self.assertEqual(os.path.dirname(answer["path"]), os.path.join(self.tmpdir, "tavik-shots"))
        return answer, sway_harness.png_pixels(answer["path"])

    def assertLikeGrim(self, answer, picture):
        """The picture is grim's of the answer's area, but for a pointer."""
        area = [answer[k] for k in ("x", "y", "width", "height")]
        grim = sway_harness.Screenshot(area)
        width, height, pixels = picture
        self.assertEqual((width, height), (grim.width, grim.height))
        self.assertEqual((width, height), tuple(area[2:]))
        differing = sway_harness.differing_pixels(width, pixels, grim.pixels)
        if differing:
            xs, ys = [p[0] for p in differing], [p[1] for p in differing]
            self.assertLessEqual((max(xs) - min(xs), max(ys) - min(ys)), (CURSOR_SIZE, CURSOR_SIZE),
                                 "%d pixels differ from grim's, from %s to %s" % (
                                     len(differing), min(differing), max(differing)))

    def assertPatchAt(self, picture, x, y):
        """The fixture's colour patch has its top-left corner at (x, y) of the picture."""
        width, _, pixels = picture
        colour = tuple(self.fixture.report()["patchColour"])
        patch = self.fixture.report()["patch"]

        def at(px, py):
            return tuple(pixels[(py * width + px) * 3:(py * width + px) * 3 + 3])
        for dx, dy in [(2, 2), (patch["width"] - 3, patch["height"] - 3)]:
            self.assertEqual(at(x + dx, y + dy), colour)
        self.assertNotEqual(at(x + patch["width"] + 2, y + 2), colour)

    def test_window_capture_is_the_window_sway_shows(self):
        answer, picture = self.screenshot(self.fixture.pid)
        self.assertEqual(answer["scope"], "window")
        self.assertEqual(tuple(answer[k] for k in ("x", "y", "width", "height")),
                         self.fixture.running.sway_window()["content"])
        self.assertLikeGrim(answer, picture)
        patch = self.fixture.screen("patch")
        self.assertPatchAt(picture, patch["x"] - answer["x"], patch["y"] - answer["y"])


class NativeWindowCapture(CaptureChecks, unittest.TestCase):
    backend = "wayland"

    def test_screen_capture_is_the_whole_layout_as_grim_sees_it(self):
        answer, picture = self.screenshot()
        whole = sway_harness.Screenshot()
        self.assertEqual([answer[k] for k in ("scope", "x", "y", "width", "height")],
                         ["screen", 0, 0, whole.width, whole.height])
        self.assertLikeGrim(answer, picture)
        patch = self.fixture.screen("patch")
        self.assertPatchAt(picture, patch["x"], patch["y"])


class XWaylandWindowCapture(CaptureChecks, unittest.TestCase):
    backend = "x11"


if __name__ == "__main__":
    unittest.main()
