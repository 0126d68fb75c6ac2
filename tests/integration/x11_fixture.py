"""Helpers of the X11 input, capture and navigation tests: the input fixture
window (tests/input-fixture) and a stdlib PNG reader."""

import json
import os
import struct
import subprocess
import tempfile
import time
import zlib

import harness

FIXTURE_TITLE = "Tavik Input Fixture"


class InputFixture:
    """The GTK input fixture, started on the virtual desktop. Its state comes
    from the JSON report it rewrites ten times a second."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="tavik-input-fixture-")
        self.report_path = os.path.join(self.folder, "report.json")
        env = dict(os.environ)
        # GTK under Xvfb drops XTest wheel buttons now and then without it.
        env["GDK_CORE_DEVICE_EVENTS"] = "1"
        self.process = harness.start_app(
            [harness.build_path("tests", "input-fixture", "tavik_input_fixture"), self.report_path],
            FIXTURE_TITLE,
            env=env,
        )
        self.pid = self.process.pid
        if not harness.wait_for(self._read, timeout=10):
            self.stop()
            raise AssertionError("the input fixture wrote no report")
        # The window manager does not always give a new window the focus
        # (after recent input elsewhere, say), and then swallows the click
        # that focuses it. A click on the colour patch, which does nothing,
        # does that first, as a user would.
        if not harness.wait_for(lambda: self._read()["recorderFocused"], timeout=2):
            x, y = centre(self._read()["patch"])
            harness.run_tool(["click-xy", x, y])
            if not harness.wait_for(lambda: self._read()["recorderFocused"], timeout=5):
                self.stop()
                raise AssertionError("the input fixture window never became active")

    def _read(self):
        try:
            with open(self.report_path, encoding="utf-8") as report:
                return json.load(report)
        except (OSError, ValueError):
            return None

    def report(self):
        return self._read()

    def wait(self, condition, timeout=5):
        """The first report for which condition(report) holds, or the last
        report when time runs out."""
        found = harness.wait_for(lambda: (lambda r: r if r and condition(r) else None)(self._read()), timeout)
        return found or self._read()

    def settled(self, key, quiet=0.5, timeout=5):
        """report[key] once it has stayed unchanged for `quiet` seconds."""
        deadline = time.monotonic() + timeout
        value = self._read()[key]
        since = time.monotonic()
        while time.monotonic() < deadline:
            time.sleep(0.1)
            current = self._read()[key]
            if current != value:
                value, since = current, time.monotonic()
            elif time.monotonic() - since >= quiet:
                break
        return value

    def stop(self):
        harness.stop(self.process)
        for name in os.listdir(self.folder):
            os.unlink(os.path.join(self.folder, name))
        os.rmdir(self.folder)


def _accessible(pid, matches, within=None):
    """The first accessible of process pid (below the accessible named
    `within`, when given) for which matches(accessible) holds, searched
    depth first through pyatspi; None when there is none."""
    import pyatspi  # Debian's pyatspi loads only under /usr/bin/python3

    def search(node, test, depth=0):
        if node is None or depth > 30:
            return None
        if test(node):
            return node
        for child in node:
            found = search(child, test, depth + 1)
            if found is not None:
                return found
        return None

    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            root = app if within is None else search(app, lambda n: n.name == within)
            return search(root, matches)
    return None


def accessible_text(pid, name):
    """The whole text of process pid's accessible with this name, read
    through pyatspi."""
    node = _accessible(pid, lambda n: n.name == name)
    text = node.queryText()
    return text.getText(0, text.characterCount)


def vertical_scrollbar_value(pid, within):
    """The current value of the vertical scroll bar in process pid's
    accessible named `within`, read through pyatspi."""
    import pyatspi

    node = _accessible(
        pid,
        lambda n: n.getRole() == pyatspi.ROLE_SCROLL_BAR and n.getState().contains(pyatspi.STATE_VERTICAL),
        within,
    )
    return node.queryValue().currentValue


def centre(rect):
    return rect["x"] + rect["width"] / 2, rect["y"] + rect["height"] / 2


def screen_size():
    """The root window's size in pixels, as xrandr reports it."""
    out = subprocess.run(["xrandr", "--current"], capture_output=True, text=True, timeout=10).stdout
    words = out.split("current ", 1)[1].split(",", 1)[0].split()
    return int(words[0]), int(words[2])


class Png:
    """An 8-bit RGB or RGBA PNG decoded with zlib and struct; rows are
    unfiltered on demand."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        if data[:8] != b"\x89PNG\r\n\x1a\n":
            raise ValueError("not a PNG file")
        position, idat = 8, []
        while position < len(data):
            length, kind = struct.unpack(">I4s", data[position : position + 8])
            body = data[position + 8 : position + 8 + length]
            crc = struct.unpack(">I", data[position + 8 + length : position + 12 + length])[0]
            if zlib.crc32(kind + body) != crc:
                raise ValueError("bad CRC in %r" % kind)
            if kind == b"IHDR":
                self.width, self.height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
                if depth != 8 or colour not in (2, 6) or interlace != 0:
                    raise ValueError("unsupported PNG layout")
                self.channels = 3 if colour == 2 else 4
            elif kind == b"IDAT":
                idat.append(body)
            elif kind == b"IEND":
                break
            position += 12 + length
        self._raw = zlib.decompress(b"".join(idat))
        self._stride = self.width * self.channels
        if len(self._raw) != self.height * (self._stride + 1):
            raise ValueError("image data does not match the header")
        self._rows = []

    def _unfilter(self, index):
        stride, bpp = self._stride, self.channels
        start = index * (stride + 1)
        kind, line = self._raw[start], bytearray(self._raw[start + 1 : start + 1 + stride])
        previous = self._rows[index - 1] if index else bytearray(stride)
        if kind == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 0xFF
        elif kind == 2:
            for i in range(stride):
                line[i] = (line[i] + previous[i]) & 0xFF
        elif kind == 3:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + ((left + previous[i]) >> 1)) & 0xFF
        elif kind == 4:
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0
                b = previous[i]
                c = previous[i - bpp] if i >= bpp else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        elif kind != 0:
            raise ValueError("unknown filter %d" % kind)
        return line

    def pixel(self, x, y):
        """(r, g, b) at column x, row y."""
        while len(self._rows) <= y:
            self._rows.append(self._unfilter(len(self._rows)))
        offset = x * self.channels
        return tuple(self._rows[y][offset : offset + 3])
