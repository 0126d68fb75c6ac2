"""The sway desktop of tools/with-sway, and what each toolkit reports on it,
seen through independent readers only (swaymsg, grim, pyatspi): these hold
whatever tavik-ax does, and pin down the facts its Wayland backend relies
on. One TestCase per row of sway_harness.TABLE, and one for two windows of
one process with the same title.

Run: tools/with-sway /usr/bin/python3 -m unittest discover -s tests/wayland \
         -t tests/wayland -p 'test_sway_desktop.py' -v
"""

import unittest

import sway_harness  # first: it puts tests/integration on the import path
from sway_harness import BORDER, real_apps


def green(pixel):
    """sway's border colour, or it darkened by a translucent shadow over it."""
    red, green_, blue = pixel
    return red == 0 and blue == 0 and green_ > 0


class DesktopChecks:
    app = None

    @classmethod
    def setUpClass(cls):
        cls.running = sway_harness.Launched(cls.app)
        cls.addClassCleanup(cls.running.stop)

    def test_sway_and_pyatspi_see_the_window_of_the_process(self):
        window = self.running.sway_window()
        self.assertEqual(window["shell"], self.app.shell)
        self.assertTrue(window["visible"])
        self.assertIsNotNone(window["app_id"])
        self.assertIsNotNone(self.running.frame_reference())

    def test_the_toolkit_reports_coordinates_as_expected(self):
        """Native Wayland toolkits put their window at 0,0 in screen and in
        window coordinates alike; an XWayland client gives the place sway
        gave it. The window is as large as sway's content, or larger by the
        shadow GTK 3 draws around a floating window with its own title bar,
        its children then filling exactly sway's content."""
        x, y, width, height = self.running.sway_window()["content"]
        frame = self.running.reference_tree()[0]
        if self.app.coordinates == "window":
            self.assertEqual((frame["x"], frame["y"], frame["windowX"], frame["windowY"]), (0, 0, 0, 0))
        else:
            self.assertEqual((frame["x"], frame["y"]), (x, y))
        if self.app.floating and not self.app.sway_border:
            self.assertGreater((frame["width"], frame["height"]), (width, height))
            children = [r for r in frame.get("children", []) if r.get("width", 0) > 0]
            left = min(r["x"] for r in children)
            top = min(r["y"] for r in children)
            right = max(r["x"] + r["width"] for r in children)
            bottom = max(r["y"] + r["height"] for r in children)
            self.assertEqual((right - left, bottom - top), (width, height))
        else:
            self.assertEqual((frame["width"], frame["height"]), (width, height))

    def test_pyatspi_sees_the_landmarks(self):
        records = self.running.reference_tree()
        for role, name in self.app.landmarks:
            with self.subTest(landmark=(role, name)):
                found = [r for r in real_apps.matches(records, role, name) if r.get("width", 0) > 0]
                self.assertTrue(found, "pyatspi has no %s %r with a size" % (role, name))

    def test_sways_border_lies_just_outside_the_content(self):
        """On the screen, sway's green border runs along every side of the
        content rectangle read from its tree, and the client's pixels start
        right inside it (a client drawing its own decoration gets none).
        GTK 4 draws a translucent outline beyond its window, darkening the
        border's green where it lies over it."""
        x, y, width, height = self.running.sway_window()["content"]
        shot = sway_harness.Screenshot()
        middle_x, middle_y = x + width // 2, y + height // 2
        outside = [(x - 1, middle_y), (x + width, middle_y), (middle_x, y - 1), (middle_x, y + height)]
        inside = [(x, middle_y), (x + width - 1, middle_y), (middle_x, y), (middle_x, y + height - 1)]
        outside = [p for p in outside if 0 <= p[0] < shot.width and 0 <= p[1] < shot.height]
        greens = [shot.at(*p) for p in outside if green(shot.at(*p))]
        if self.app.sway_border:
            self.assertEqual(len(greens), len(outside), [(p, shot.at(*p)) for p in outside])
        else:
            self.assertEqual(greens, [], outside)
        self.assertNotIn(BORDER, [shot.at(*p) for p in inside], inside)


for _app in sway_harness.TABLE:
    globals()["Desktop" + _app.name] = type("Desktop" + _app.name, (DesktopChecks, unittest.TestCase), {"app": _app})
del _app


class TwinWindowsOnTheDesktop(unittest.TestCase):
    """Two floating windows "Tavik Twin" of one process, 360x240 and 260x180:
    sway and pyatspi both list them, told apart by size alone."""

    @classmethod
    def setUpClass(cls):
        cls.running = sway_harness.Launched(sway_harness.TWINS)
        cls.addClassCleanup(cls.running.stop)

    def test_sway_and_pyatspi_list_both_with_their_sizes(self):
        windows = sway_harness.sway_windows_of({self.running.pid}, sway_harness.TWINS.title)
        self.assertEqual(sorted(w["content"][2:] for w in windows), [(260, 180), (360, 240)])
        self.assertTrue(all(w["floating"] for w in windows))
        frames = [w for w in real_apps.reference_windows(self.running.pid) if w.get("name") == "Tavik Twin"]
        self.assertEqual(sorted((w["width"], w["height"]) for w in frames), [(260, 180), (360, 240)])
        self.assertEqual({(w["x"], w["y"]) for w in frames}, {(0, 0)})


if __name__ == "__main__":
    unittest.main()
