"""What the tests on a sway desktop (tools/with-sway) need beyond the shared
integration helpers (tests/integration/harness.py and real_apps.py, imported
from there): sway's own view of its windows through swaymsg, a screenshot
through grim, the applications to run natively on Wayland, and the GTK 3
fixtures that report what they received.

Independent readers: swaymsg -t get_tree (where sway placed each window),
grim (what is on the screen) and pyatspi (atspi_reference.py, under
/usr/bin/python3). The tool under test is never asked what it is tested on.
"""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from dataclasses import dataclass, field
from typing import Optional

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "integration"))

import harness  # noqa: E402
import real_apps  # noqa: E402

# The colour of sway's borders in every state (tools/with-sway's config).
BORDER = (0, 255, 0)


# ---------------------------------------------------------------------------
# sway's view

def swaymsg(*args, timeout=10):
    """swaymsg's JSON answer (raw), or None when it failed."""
    try:
        done = subprocess.run(["swaymsg", "-r"] + list(args), stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=timeout)
        return json.loads(done.stdout) if done.returncode == 0 else None
    except (subprocess.TimeoutExpired, ValueError, OSError):
        return None


def content_of(node):
    """(x, y, width, height) on the screen of the client's window in a view
    node. window_rect is relative to rect; its x and size are right, but
    sway 1.7 sets its y to the border width for every "pixel" border (also
    when fullscreen shows none) and to 0 under a title bar, so the top is
    found from below: a bottom border as wide as the left one."""
    rect, inner = node["rect"], node["window_rect"]
    top = max(0, min(rect["height"] - inner["height"] - inner["x"], rect["height"] - inner["height"]))
    return rect["x"] + inner["x"], rect["y"] + top, inner["width"], inner["height"]


def sway_windows():
    """Every window (view) in sway's tree: dicts with id, pid, title, app_id,
    shell, focused, visible, floating, border, content (see content_of)."""
    found = []

    def walk(node, floating):
        if node.get("pid") and node.get("type") in ("con", "floating_con"):
            found.append(dict(id=node["id"], pid=node["pid"], title=node.get("name") or "",
                              app_id=node.get("app_id") or (node.get("window_properties") or {}).get("class"),
                              shell=node.get("shell"), focused=node.get("focused"), visible=node.get("visible"),
                              floating=floating, border=node.get("border"), content=content_of(node)))
        for child in node.get("nodes", []):
            walk(child, floating)
        for child in node.get("floating_nodes", []):
            walk(child, True)

    tree = swaymsg("-t", "get_tree")
    if isinstance(tree, dict):
        walk(tree, False)
    return found


def sway_windows_of(pids, title=None):
    return [w for w in sway_windows() if w["pid"] in pids and (title is None or w["title"] == title)]


# ---------------------------------------------------------------------------
# The screen

class Screenshot:
    """The whole layout, or the area (x, y, width, height) of it, taken with
    grim as a binary PPM; pixels holds its rows of RGB bytes."""

    def __init__(self, area=None):
        folder = tempfile.mkdtemp(prefix="tavik-shot-")
        path = os.path.join(folder, "screen.ppm")
        region = [] if area is None else ["-g", "%d,%d %dx%d" % tuple(area)]
        try:
            subprocess.run(["grim", "-t", "ppm"] + region + [path], stdin=subprocess.DEVNULL, capture_output=True,
                           timeout=20, check=True)
            with open(path, "rb") as picture:
                data = picture.read()
        finally:
            shutil.rmtree(folder, ignore_errors=True)
        magic, size, depth, self.pixels = data.split(b"\n", 3)
        if magic != b"P6" or depth != b"255":
            raise AssertionError("grim gave no 8-bit PPM")
        self.width, self.height = (int(v) for v in size.split())

    def at(self, x, y):
        at = (y * self.width + x) * 3
        return tuple(self.pixels[at:at + 3])


def png_pixels(path):
    """(width, height, RGB bytes row by row) of a PNG file, decoded by
    GdkPixbuf (gir1.2-gdkpixbuf-2.0, which GTK's bindings bring)."""
    import gi
    gi.require_version("GdkPixbuf", "2.0")
    from gi.repository import GdkPixbuf

    picture = GdkPixbuf.Pixbuf.new_from_file(path)
    width, height = picture.get_width(), picture.get_height()
    channels, stride = picture.get_n_channels(), picture.get_rowstride()
    data = picture.get_pixels()
    rows = bytearray()
    for y in range(height):
        row = data[y * stride:y * stride + width * channels]
        if channels == 4:
            row = bytearray(row)
            del row[3::4]
        rows += row
    return width, height, bytes(rows)


def differing_pixels(width, first, second):
    """The (x, y) of the pixels in which two RGB pictures of this width differ."""
    found = []
    stride = width * 3
    for y in range(len(first) // stride):
        a, b = first[y * stride:(y + 1) * stride], second[y * stride:(y + 1) * stride]
        if a != b:
            found += [(x, y) for x in range(width) if a[x * 3:x * 3 + 3] != b[x * 3:x * 3 + 3]]
    return found


# ---------------------------------------------------------------------------
# The applications

@dataclass
class WaylandApp:
    """One application and what is checked on it. coordinates: "window"
    when the toolkit reports every position relative to its window (all
    native Wayland toolkits), "screen" for an XWayland client. floating:
    made floating by a sway rule before it starts (GTK 3 then draws its
    own title bar with a shadow). sway_border: sway draws its border
    around the window (False when the client draws its own decoration)."""
    name: str
    argv: list
    title: str
    env: dict = field(default_factory=dict)
    coordinates: str = "window"
    floating: bool = False
    sway_border: bool = True
    shell: str = "xdg_shell"
    landmarks: list = field(default_factory=list)
    depth: int = 40
    windows: int = 1  # top-level windows of this title
    # How far up or down the tool may place the window: sway does not say
    # where a client's window lies inside a surface with a drawn shadow,
    # which GTK 3's default theme casts 3 pixels lower than it is wide, so
    # the tool can take the margin only as even (a known limitation).
    vertical_slack: int = 0


FIXTURE = harness.build_path("tests", "fixture", "tavik_fixture")

TABLE = [
    WaylandApp("Gtk3Fixture", [FIXTURE, "20"], "Tavik Fixture — Ünïcødé", env={"GDK_BACKEND": "wayland"},
               landmarks=[(real_apps.PUSH_BUTTON, "Press me"), ("check box", "Enable feature")]),
    WaylandApp("Gtk3DemoFloating", ["gtk3-demo"], "Application Class", env={"GDK_BACKEND": "wayland"},
               floating=True, sway_border=False, vertical_slack=3, landmarks=[(real_apps.PUSH_BUTTON, "Run")]),
    WaylandApp("Gtk4Demo", ["gtk4-demo"], "GTK Demo", env={"GDK_BACKEND": "wayland"},
               landmarks=[(real_apps.GTK4_SEARCH_ROLE, "Search")]),
    WaylandApp("Qt6ct", ["qt6ct"], "Qt6 Configuration Tool", env={"QT_QPA_PLATFORM": "wayland"},
               landmarks=[(real_apps.PUSH_BUTTON, "Hide"), ("radio button", "Custom")]),
    WaylandApp("FeatherPadQt5", ["featherpad", "--standalone"], "Untitled", env={"QT_QPA_PLATFORM": "wayland"},
               landmarks=[("menu item", "File")]),
    WaylandApp("Gtk3XWayland", [FIXTURE, "20"], "Tavik Fixture — Ünïcødé", env={"GDK_BACKEND": "x11"},
               coordinates="screen", shell="xwayland",
               landmarks=[(real_apps.PUSH_BUTTON, "Press me"), ("check box", "Enable feature")]),
]

# Two windows of one process with one title, 360x240 and 260x180, floating
# so that sway keeps their sizes.
TWINS = WaylandApp("TwinWindows", ["/usr/bin/python3", os.path.join(HERE, "twin_windows.py"), "Tavik Twin"],
                   "Tavik Twin", env={"GDK_BACKEND": "wayland"}, floating=True, windows=2)

LAUNCH_TIMEOUT = 40


def regex_literal(text):
    """text as a literal in sway's criteria (a PCRE inside double quotes)."""
    return "".join("\\" + c if c in "\\^$.|?*+()[]{}\"" else c for c in text)


class Launched:
    """One running application: its process (its own session, so ending it
    reaches its helpers), sway's window and pyatspi's."""

    def __init__(self, app):
        self.app = app
        program = app.argv[0]
        if os.path.sep in program and not os.access(program, os.X_OK):
            raise unittest.SkipTest("%s is not built" % program)
        if os.path.sep not in program and shutil.which(program) is None:
            raise unittest.SkipTest("%s is not installed" % program)
        if not os.environ.get("SWAYSOCK"):
            raise unittest.SkipTest("no sway desktop: run under tools/with-sway")
        if app.floating:
            swaymsg('for_window [title="^%s$"] floating enable' % regex_literal(app.title))
        env = dict(os.environ, **app.env)
        env.pop("NO_AT_BRIDGE", None)
        self.folder = tempfile.mkdtemp(prefix="tavik-wayland-app-")
        env["HOME"] = self.folder
        self.process = subprocess.Popen(app.argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL, env=env, start_new_session=True)
        self.pid = self.process.pid
        shown = harness.wait_for(lambda: self.process.poll() is not None or self.ready(), timeout=LAUNCH_TIMEOUT,
                                 interval=0.3)
        if not shown or self.process.poll() is not None:
            self.stop()
            raise AssertionError("%s did not show its window %r to sway and pyatspi within %s s" % (
                app.name, app.title, LAUNCH_TIMEOUT))

    def ready(self):
        """Whether sway shows the window and pyatspi has it with its final
        size (a window that sway has just tiled is resized once)."""
        windows = sway_windows_of({self.pid}, self.app.title)
        if len(windows) != self.app.windows or not all(w["visible"] for w in windows):
            return False
        frames = [w for w in real_apps.reference_windows(self.pid) if w.get("name") == self.app.title]
        if len(frames) != self.app.windows:
            return False
        # Each window as large as sway's content, or larger (a drawn margin).
        sizes = sorted(w["content"][2:] for w in windows)
        reported = sorted((f.get("width", 0), f.get("height", 0)) for f in frames)
        return all(r[0] >= s[0] and r[1] >= s[1] for r, s in zip(reported, sizes))

    def frame_reference(self):
        """pyatspi's record of the window (with its index), or None."""
        for window in real_apps.reference_windows(self.pid):
            if window.get("name") == self.app.title:
                return window
        return None

    def sway_window(self):
        [window] = sway_windows_of({self.pid}, self.app.title)
        return window

    def reference_tree(self):
        return real_apps.flatten(real_apps.reference_tree(self.pid, self.frame_reference()["index"], self.app.depth))

    def surface(self):
        """(x, y, width, height) on the screen that the toolkit's window
        coordinates count from: sway's content, grown by the margin the
        client draws around it when pyatspi's window is larger (GTK 3's
        shadow around a floating window with its own title bar); the margin
        is where the window's children begin in pyatspi's window coordinates."""
        x, y, width, height = self.sway_window()["content"]
        tree = self.reference_tree()
        frame = tree[0]
        if (frame["width"], frame["height"]) == (width, height):
            return x, y, width, height
        children = [r for r in frame.get("children", []) if r.get("width", 0) > 0 and r.get("height", 0) > 0]
        left = min(r["x"] for r in children) - frame["x"]
        top = min(r["y"] for r in children) - frame["y"]
        return x - left, y - top, frame["width"], frame["height"]

    def stop(self):
        try:
            os.killpg(self.process.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        try:
            self.process.wait(timeout=8)
        except subprocess.TimeoutExpired:
            try:
                os.killpg(self.process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.process.wait(timeout=5)
        shutil.rmtree(self.folder, ignore_errors=True)


# ---------------------------------------------------------------------------
# pyatspi, in this process

def reference_node(pid, window_index, path):
    """pyatspi's accessible at path ("0" the window, "0.2.1" its third
    child's second child) in window window_index of process pid; None when
    there is none."""
    import atspi_reference  # Debian's pyatspi loads only under /usr/bin/python3

    node = atspi_reference.application(pid)
    try:
        node = node.getChildAtIndex(window_index)
        for step in path.split(".")[1:]:
            node = node.getChildAtIndex(int(step))
    except Exception:
        return None
    return node


def reference_at(pid, window_index, path, depth=0):
    """The record atspi_reference.py gives of the element at path (with
    depth levels of children), read now; None when there is none. Reading
    one element is quick where reading a large window takes seconds."""
    import atspi_reference

    node = reference_node(pid, window_index, path)
    return None if node is None else real_apps.places_from_window_coordinates(atspi_reference.tree(node, path, depth))


def gtk4_search_entry_path(pid, window_index, records, search_path):
    """The path of gtk4-demo's search entry. GTK 4.8 keeps the entry of the
    hidden search bar in the tree (not showing); GTK 4.18 (Debian 13) leaves
    it out until the bar shows, so the search toggle shows the bar for the
    lookup and hides it again."""
    def entry_in(found):
        return next((r["path"] for r in found if r["role"] == "entry" and r["name"] == real_apps.GTK4_SEARCH_ENTRY),
                    None)
    path = entry_in(records)
    if path is not None:
        return path
    toggle = reference_node(pid, window_index, search_path)
    toggle.queryAction().doAction(0)
    try:
        path = harness.wait_for(lambda: entry_in(real_apps.flatten(reference_at(pid, window_index, "0", 10))),
                                timeout=10, interval=0.2)
    finally:
        toggle.queryAction().doAction(0)
    # Hidden again once the entry has no size or is gone (the bar slides).
    if path is not None:
        harness.wait_for(lambda: not (lambda r: r and r.get("width", 0) > 0 and r.get("height", 0) > 0)(
            reference_at(pid, window_index, path)), timeout=10, interval=0.2)
    return path


# ---------------------------------------------------------------------------
# Fixtures that report what they received

def settled(read, quiet=0.5, timeout=10):
    """read() once it has given the same value for `quiet` seconds (or
    when time runs out): the effect of input that is still arriving."""
    deadline = time.monotonic() + timeout
    value = read()
    since = time.monotonic()
    while time.monotonic() < deadline:
        time.sleep(0.1)
        current = read()
        if current != value:
            value, since = current, time.monotonic()
        elif time.monotonic() - since >= quiet:
            break
    return value


def centre(rect):
    return rect["x"] + rect["width"] / 2, rect["y"] + rect["height"] / 2


class ReportingFixture:
    """A GTK 3 fixture of tests/input-fixture, tiled alone by sway, and the
    JSON report it rewrites ten times a second. Natively on Wayland (backend
    "wayland") GTK knows no more of its place than its window, so every
    position in the report (widgets, motions, clicks) counts from the
    window's content; screen() and screen_point() add where sway shows it.
    Under XWayland (backend "x11") they are screen positions already."""

    # How the desktop under test starts an application (another compositor's
    # harness gives its own Launched).
    launched = Launched

    def __init__(self, program, title, backend="wayland"):
        self.folder = tempfile.mkdtemp(prefix="tavik-wayland-fixture-")
        self.report_path = os.path.join(self.folder, "report.json")
        app = WaylandApp(program, [harness.build_path("tests", "input-fixture", program), self.report_path], title,
                         env={"GDK_BACKEND": backend})
        try:
            self.running = self.launched(app)
        except BaseException:
            shutil.rmtree(self.folder, ignore_errors=True)
            raise
        self.pid = self.running.pid
        if not harness.wait_for(self.report, timeout=10):
            self.stop()
            raise AssertionError("%s wrote no report" % program)
        self.origin = self.window_origin(backend)

    def window_origin(self, backend):
        """Where the screen shows the window's content."""
        return self.running.sway_window()["content"][:2] if backend == "wayland" else (0, 0)

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

    def settled(self, key, quiet=0.5, timeout=5):
        """report[key] once it has stayed unchanged for `quiet` seconds."""
        return settled(lambda: self.report()[key], quiet, timeout)

    def screen(self, key):
        """The report's rectangle `key` in screen coordinates."""
        rect = dict(self.report()[key])
        rect["x"] += self.origin[0]
        rect["y"] += self.origin[1]
        return rect

    def screen_point(self, point):
        """A reported {"x", "y"} in screen coordinates."""
        return {"x": point["x"] + self.origin[0], "y": point["y"] + self.origin[1]}

    def stop(self):
        self.running.stop()
        shutil.rmtree(self.folder, ignore_errors=True)


class PressRecorder:
    """press_recorder.py running natively on Wayland: the button and key
    presses and releases its window got, in order, as it wrote them the
    moment each arrived."""

    TITLE = "Tavik Press Recorder"

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="tavik-press-recorder-")
        self.events_path = os.path.join(self.folder, "events.jsonl")
        open(self.events_path, "w").close()
        app = WaylandApp("PressRecorder", ["/usr/bin/python3", os.path.join(HERE, "press_recorder.py"),
                                           self.events_path], self.TITLE, env={"GDK_BACKEND": "wayland"})
        try:
            self.running = Launched(app)
        except BaseException:
            shutil.rmtree(self.folder, ignore_errors=True)
            raise
        self.pid = self.running.pid
        self.content = self.running.sway_window()["content"]

    def events(self):
        """Every event so far (a line still being written is left out)."""
        with open(self.events_path, encoding="utf-8") as events:
            lines = events.read().split("\n")
        return [json.loads(line) for line in lines[:-1] if line]

    @staticmethod
    def held(events):
        """The buttons and keys that events leave down: ("button", N) and ("key", KEYVAL)."""
        down = set()
        for event in events:
            kind = "button" if "button" in event else "key"
            (down.add if event["down"] else down.discard)((kind, event[kind]))
        return down

    def stop(self):
        self.running.stop()
        shutil.rmtree(self.folder, ignore_errors=True)
