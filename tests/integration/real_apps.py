"""The real applications the integration tests drive, one row per toolkit,
and what the tests need around them: the local test page and its server,
launching and ending an application, the pyatspi reference reader, the X
server's own view of a window and a small PNG reader.

Each row names the targets of the same checks in that application's terms:
an element to find and press and the effect to read back through pyatspi,
a field whose value is set, a field typed into key by key. None where a
check does not apply (navigate outside browsers).
"""

import glob
import http.server
import json
import os
import re
import shutil
import signal
import struct
import subprocess
import tempfile
import threading
import unittest
import zlib
from dataclasses import dataclass, field
from typing import Callable, Optional

import harness

HERE = os.path.dirname(os.path.abspath(__file__))
PAGES = os.path.join(HERE, "pages")
REFERENCE = os.path.join(HERE, "atspi_reference.py")
SYSTEM_PYTHON = "/usr/bin/python3"

# Text typed key by key: a line break, a tab, an accent, CJK and an emoji.
KEYED_TEXT = "Line one é\n\t東京 😀 end"
SET_TEXT = "Héllo 東京 😀"
HEADING = "Café 東京 😀 heading"


# ---------------------------------------------------------------------------
# The local test page

class _QuietHandler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=PAGES, **kwargs)

    def log_message(self, *args):  # the test output stays readable
        pass


class PageServer:
    """tests/integration/pages on 127.0.0.1 at a free port, served by a thread."""

    def __init__(self):
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), _QuietHandler)
        self.server.daemon_threads = True
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def url(self, page):
        return "http://127.0.0.1:%d/%s" % (self.server.server_address[1], page)

    def close(self):
        self.server.shutdown()
        self.server.server_close()


# ---------------------------------------------------------------------------
# The reference reader

def reference(*args, timeout=30):
    """Runs atspi_reference.py under the system Python; its JSON answer, or
    None when it failed."""
    try:
        done = subprocess.run([SYSTEM_PYTHON, REFERENCE] + [str(a) for a in args], stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=timeout)
        return json.loads(done.stdout) if done.returncode == 0 else None
    except (subprocess.TimeoutExpired, ValueError):
        return None


# libatspi's name of the push button role, which pyatspi's records and
# tavik-ax's roleDescription carry: "push button" up to at-spi2-core 2.46
# (Debian 12), "button" from 2.56 (Debian 13).
PUSH_BUTTON = reference("role-name", "PUSH_BUTTON") or "push button"


def installed_version(package):
    """The upstream version of an installed Debian package as numbers
    ("4:25.2.3-2+deb13u9" -> (25, 2, 3)), () when it is not installed."""
    try:
        version = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], stdin=subprocess.DEVNULL,
                                 capture_output=True, text=True, timeout=30).stdout
    except (OSError, subprocess.TimeoutExpired):
        return ()
    upstream = re.split(r"[-+~]", version.split(":")[-1])[0]
    return tuple(int(part) for part in re.findall(r"[0-9]+", upstream))


# gtk4-demo's Search button is a push button in GTK 4.8 (Debian 12) and a
# toggle button from GTK 4.18 (Debian 13); the search entry it shows is named
# by its class in 4.8, by its placeholder from 4.18.
GTK_4_18 = installed_version("libgtk-4-1") >= (4, 18)
GTK4_SEARCH_ROLE = "toggle button" if GTK_4_18 else PUSH_BUTTON
GTK4_SEARCH_ENTRY = "Search" if GTK_4_18 else "GtkSearchEntry"
# Its notebook's tab list is named "Tab list" in GTK 4.8; 4.18 names it not
# but its tabs, of which "Info" is the first.
GTK4_TABS = ("page tab", "Info") if GTK_4_18 else ("page tab list", "Tab list")


def is_gtk4_scroll_bar(record):
    """GTK 4.8 names its scroll bars GtkRange; 4.18 leaves them unnamed."""
    return record["name"] == "GtkRange" or record["role"] == "scroll bar"

# LibreOffice 25.2 (Debian 13) joins its window title with an em dash, where
# 7.4 (Debian 12) has " - ", and marks its toolbar's toggle buttons
# checkable, which tavik-ax shows as check boxes (7.4's are buttons).
LIBREOFFICE_25 = installed_version("libreoffice-writer") >= (25,)
LIBREOFFICE_TITLE = "Untitled 1 %s LibreOffice Writer" % ("\u2014" if LIBREOFFICE_25 else "-")
LIBREOFFICE_TOGGLE = "checkbox" if LIBREOFFICE_25 else "button"


def reference_windows(pid):
    return reference("windows", pid) or []


def reference_tree(pid, index=0, depth=80):
    return places_from_window_coordinates(reference("tree", pid, index, depth))


def places_from_window_coordinates(tree):
    """GTK 4.18 (Debian 13) answers every screen-coordinate request with 0,0
    and gives places in window coordinates only (GTK 4.8 gave the same
    window-relative places for both): when a tree's screen places are all
    0,0 but its window places are not, its records take the window places.
    (GTK 4.18's places also leave out the CSS padding of the element's
    ancestors, so they lie up to about 17 px above and left of what it
    draws; the tests compare with what the toolkit says.)"""
    records = flatten(tree) if tree else []
    placed = [r for r in records if "x" in r and "windowX" in r]
    if placed and all((r["x"], r["y"]) == (0, 0) for r in placed) and any(
            (r["windowX"], r["windowY"]) != (0, 0) for r in placed):
        for record in placed:
            record["x"], record["y"] = record["windowX"], record["windowY"]
    return tree


def reference_by_path_of(pid, index, path):
    """pyatspi's record of the element at path (without children), or {}."""
    for record in flatten(reference_tree(pid, index, path.count("."))):
        if record["path"] == path:
            return record
    return {}


def flatten(record, into=None):
    """Every record of a nested tree (tool or reference), parents first."""
    into = [] if into is None else into
    if record:
        into.append(record)
        for child in record.get("children", []):
            flatten(child, into)
    return into


def matches(records, role=None, name=None, text=None, state=None):
    """The reference records with this role, name, text (all exact) and state."""
    return [r for r in records
            if (role is None or r.get("role") == role) and (name is None or r.get("name") == name)
            and (text is None or r.get("text") == text) and (state is None or state in r.get("states", []))]


def to_act_on(records, shown_state="showing"):
    """The reference records an agent can act on: on view, with a named
    action or a text one can edit. (WebKitGTK gives nearly every element of
    a page an action without a name, which names nothing to do.)"""
    return [r for r in records if shown_state in r.get("states", []) and (
        any(r.get("actions", [])) or ("editable" in r.get("states", []) and r.get("editableText")))]


SNAPSHOT_PATH = re.compile(r"\[([0-9.]+)\]$")


def snapshot_paths(outline):
    """The paths of the elements of a snapshot's outline, one per line."""
    return [hit.group(1) for hit in (SNAPSHOT_PATH.search(line) for line in outline.split("\n")) if hit]


def tree_paths(tree):
    """The paths of every record of a read-tree document."""
    return [record["path"] for record in flatten(tree)]


# ---------------------------------------------------------------------------
# The X server's view

def x_window(title):
    """(x, y, width, height) of the top-level X window with this name, from
    xwininfo, or None."""
    if shutil.which("xwininfo") is None:
        return None
    try:
        out = subprocess.run(["xwininfo", "-name", title], capture_output=True, text=True, timeout=10).stdout
    except subprocess.TimeoutExpired:
        return None
    found = {}
    for key, pattern in (("x", r"Absolute upper-left X:\s+(-?\d+)"), ("y", r"Absolute upper-left Y:\s+(-?\d+)"),
                         ("width", r"Width:\s+(\d+)"), ("height", r"Height:\s+(\d+)")):
        hit = re.search(pattern, out)
        if not hit:
            return None
        found[key] = int(hit.group(1))
    return found["x"], found["y"], found["width"], found["height"]


def x_frame(title):
    """The window with the window manager's decoration around it (from
    _NET_FRAME_EXTENTS), or the window itself without one, or None."""
    window = x_window(title)
    if window is None:
        return None
    # By the id xwininfo finds: xprop -name reads only WM_NAME, which misses
    # a title beyond Latin-1 (LibreOffice 25.2's em dash).
    try:
        info = subprocess.run(["xwininfo", "-name", title], capture_output=True, text=True, timeout=10).stdout
        window_id = re.search(r"Window id:\s+(0x[0-9a-fA-F]+)", info)
        if not window_id:
            return window
        out = subprocess.run(["xprop", "-id", window_id.group(1), "_NET_FRAME_EXTENTS"], capture_output=True,
                             text=True, timeout=10).stdout
    except (subprocess.TimeoutExpired, OSError):
        return window
    hit = re.search(r"=\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)", out)
    if not hit:
        return window
    left, right, top, bottom = (int(v) for v in hit.groups())
    x, y, width, height = window
    return x - left, y - top, width + left + right, height + top + bottom


# ---------------------------------------------------------------------------
# PNG

def read_png(path):
    """(width, height, number of distinct rows) of a PNG. A blank or uniform
    picture has one or two distinct rows whatever the row filters; a window
    with text and widgets has many."""
    with open(path, "rb") as png:
        data = png.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise AssertionError("%s is no PNG" % path)
    at, chunks, header = 8, [], None
    while at + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            chunks.append(body)
        at += 12 + length
    width, height, depth, colour = header[:4]
    channels = {0: 1, 2: 3, 4: 2, 6: 4}[colour]
    stride = (width * channels * depth + 7) // 8 + 1
    raw = zlib.decompress(b"".join(chunks))
    if len(raw) != stride * height:
        raise AssertionError("%s: %d bytes of pixels for %dx%d" % (path, len(raw), width, height))
    rows = {raw[row * stride:(row + 1) * stride] for row in range(height)}
    return width, height, len(rows)


# ---------------------------------------------------------------------------
# The table

@dataclass
class Target:
    """An element the checks act on: how the tool finds it (find options, or
    a role and title to look up in read-tree when it lies deeper than find
    searches) and how pyatspi knows it (role and name)."""
    find: list
    ref_role: str
    ref_name: Optional[str] = None
    deep: bool = False


@dataclass
class Press:
    target: Target
    # Given the reference records after the press: whether it took effect.
    done: Callable
    what: str


@dataclass
class Typing:
    target: Target
    text: str
    method: Optional[str]  # "AXSetValue", "CGEvent" or None when either is right
    # The page's paragraph that spells the field's value as code points
    # ("<echo> codes:48,e9"): the value itself, whatever the toolkit adds to
    # its text for readers (Firefox: U+FEFF after an emoji typed as a key).
    echo: Optional[str] = None


@dataclass
class Application:
    name: str
    program: str
    # (profile folder, page server) -> argv and extra environment
    command: Callable
    title: str
    browser: bool = False
    presses: list = field(default_factory=list)
    set_value: Optional[Typing] = None
    keyed: Optional[Typing] = None
    # Given the reference records: whether the content is there to check
    # (browsers build the page's tree lazily).
    ready: Callable = lambda records: True
    # Elements whose tool geometry is compared with pyatspi's.
    landmarks: list = field(default_factory=list)
    # Reading the whole window's tree (browsers: the page in it).
    depth: int = 60
    # The state that marks an element on view ("showing"; GTK 4.8 sets only
    # "visible" below the window).
    shown_state: str = "showing"
    launch_timeout: int = 40
    # Given the reference records: the names of the open tabs (browsers).
    open_tabs: Callable = lambda records: [r.get("name", "") for r in records if r["role"] == "page tab"]


def text_shown(wanted):
    return lambda records: any(r.get("text") == wanted or r.get("name") == wanted for r in records)


def has_state(role, name, state, present=True):
    return lambda records: any((state in r.get("states", [])) == present for r in matches(records, role, name))


def echoed(records, word):
    """The value a page's paragraph "<word> codes:..." spells, or None (a
    Swing label says it in its name)."""
    prefix = word + " codes:"
    for record in records:
        text = record.get("text") or record.get("name") or ""
        if text.startswith(prefix):
            codes = text[len(prefix):]
            return "".join(chr(int(code, 16)) for code in codes.split(",")) if codes else ""
    return None


def sized(role, name):
    return lambda records: any(r.get("width", 0) > 0 and r.get("height", 0) > 0 for r in matches(records, role, name))


def count_of(role, wanted):
    return lambda records: len(matches(records, role)) == wanted


def libreoffice_profile(folder):
    """A user installation without the tip of the day or first-start pages."""
    os.makedirs(os.path.join(folder, "user"))
    items = "".join('<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="%s" oor:op="fuse">'
                    '<value>false</value></prop></item>\n' % name for name in ("ShowTipOfTheDay", "FirstRun"))
    with open(os.path.join(folder, "user", "registrymodifications.xcu"), "w") as xcu:
        xcu.write('<?xml version="1.0" encoding="UTF-8"?>\n<oor:items xmlns:oor="http://openoffice.org/2001/registry"'
                  ' xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">'
                  '\n' + items + '</oor:items>\n')


def libreoffice_command(folder, server):
    libreoffice_profile(folder)
    return ["libreoffice", "--writer", "--norestore", "-env:UserInstallation=file://" + folder], {
        "SAL_USE_VCLPLUGIN": "gtk3"}


def firefox_profile(folder):
    """A profile that opens the page at once: no first-run pages, no
    telemetry, no default-browser question, no session restore."""
    prefs = {
        "browser.shell.checkDefaultBrowser": False,
        "browser.aboutwelcome.enabled": False,
        "browser.startup.homepage_override.mstone": "ignore",
        "startup.homepage_welcome_url": "",
        "startup.homepage_welcome_url.additional": "",
        "datareporting.policy.dataSubmissionEnabled": False,
        "datareporting.policy.firstRunURL": "",
        "toolkit.telemetry.reportingpolicy.firstRun": False,
        "browser.tabs.warnOnClose": False,
        "browser.sessionstore.resume_from_crash": False,
        "app.update.auto": False,
        "browser.newtabpage.enabled": False,
        "accessibility.force_disabled": 0,
    }
    with open(os.path.join(folder, "user.js"), "w") as user:
        for key, value in prefs.items():
            user.write("user_pref(%s, %s);\n" % (json.dumps(key), json.dumps(value)))


def page_checks(find_depth=None):
    """The checks on the test page, the same in every browser but for how a
    text is set: no browser takes a value through the accessibility service
    (Chromium's fields have no EditableText, Firefox answers success and
    changes nothing), so the text arrives as keys. find_depth: where the
    page sits deeper than find searches by default."""
    def target(role, label, ref_role, deep=False):
        # A deep target is pressed by query with the query's own default
        # depth, which reaches it.
        depth = ["--depth", str(find_depth)] if find_depth and not deep else []
        return Target(["--role", role, "--label", label] + depth, ref_role, label, deep)

    def button(label, deep=False):
        return target("button", label, PUSH_BUTTON, deep)
    return dict(
        presses=[
            Press(button("Press me"), text_shown("Count: 1"), "the counter reads Count: 1"),
            Press(target("checkbox", "Agree to terms", "check box"),
                  has_state("check box", "Agree to terms", "checked"), "the check box is checked"),
            Press(target("link", "Follow link", "link"), text_shown("Link: followed"), "the link's handler ran"),
            Press(button("Bottom button"), text_shown("Bottom: 1"), "the button below the fold was pressed"),
            Press(button("Deep button", deep=True), text_shown("Deep: 1"), "the button 25 groups deep was pressed"),
        ],
        set_value=Typing(target("textfield", "Your name", "entry"), SET_TEXT, "CGEvent", echo="Name"),
        keyed=Typing(target("textarea", "Notes", "entry"), KEYED_TEXT, "CGEvent", echo="Notes"),
        ready=lambda records: bool(matches(records, PUSH_BUTTON, "Bottom button")) and bool(
            matches(records, PUSH_BUTTON, "Deep button")),
        landmarks=[(PUSH_BUTTON, "Press me"), ("entry", "Your name"), ("check box", "Agree to terms")],
    )


def chromium_command(folder, server):
    return ["chromium", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
            "--disable-component-update", "--disable-sync", "--disable-quic", "--force-renderer-accessibility",
            "--user-data-dir=" + folder, server.url("index.html")], {}


def firefox_command(folder, server):
    firefox_profile(folder)
    # Remote control stays on: navigate hands the address to this instance.
    return ["firefox-esr", "--profile", folder, server.url("index.html")], {"GNOME_ACCESSIBILITY": "1"}


SWING_SOURCE = os.path.join(HERE, "swing", "TavikSwing.java")
# Debian's ATK bridge for Java: its classes (libatk-wrapper-java) and its
# native part, which the JDK loads from Debian's JNI folder
# (libatk-wrapper-java-jni). Debian leaves it out of
# accessibility.properties, so the program names it itself.
ATK_BRIDGE_JAR = "/usr/share/java/java-atk-wrapper.jar"
ATK_BRIDGE_JNI = "/usr/lib/*/jni/libatk-wrapper.so"


def swing_command(folder, server):
    """TavikSwing compiled into the private folder, started with the ATK
    bridge. SkipTest without a JDK or the bridge."""
    if shutil.which("javac") is None:
        raise unittest.SkipTest("javac is not installed (default-jdk-headless)")
    if not os.path.exists(ATK_BRIDGE_JAR) or not glob.glob(ATK_BRIDGE_JNI):
        raise unittest.SkipTest("the ATK bridge for Java is not installed (libatk-wrapper-java and -jni)")
    try:
        subprocess.run(["javac", "-d", folder, SWING_SOURCE], stdin=subprocess.DEVNULL, capture_output=True,
                       timeout=120, check=True)
    except subprocess.CalledProcessError as failed:
        raise AssertionError("javac: %s" % failed.stderr.decode(errors="replace")[-500:])
    return ["java", "-Djavax.accessibility.assistive_technologies=org.GNOME.Accessibility.AtkWrapper",
            "-cp", os.pathsep.join([folder, ATK_BRIDGE_JAR]), "TavikSwing"], {}


def epiphany_command(folder, server):
    # The default profile, kept in the private folder through the XDG base
    # directories: only an instance of the default profile takes addresses
    # from another process (navigate); --profile starts one apart.
    return ["epiphany", server.url("index.html")], {
        "XDG_DATA_HOME": os.path.join(folder, "data"), "XDG_CONFIG_HOME": os.path.join(folder, "config"),
        "XDG_CACHE_HOME": os.path.join(folder, "cache")}


def epiphany_tabs(records):
    """Epiphany's tab bar names no tabs, and a tab in the background shows
    no page; its tab menus list every open tab, one label per tab in a list
    box. The labels of the first such list."""
    for box in matches(records, "list box"):
        inside = [r.get("name", "") for r in records if r["role"] == "label" and r["path"].startswith(box["path"] + ".")]
        if inside:
            return inside
    return []


TABLE = [
    Application("Chromium", "chromium", chromium_command, "Tavik Test Page - Chromium", browser=True,
                **page_checks()),
    Application("Firefox", "firefox-esr", firefox_command, "Tavik Test Page — Mozilla Firefox", browser=True,
                **page_checks()),
    # WebKitGTK: the page is drawn by a web process whose tree hangs under
    # the GTK 3 window's web view, 11 levels down; the page's controls sit
    # 16 and 17 levels below the window, deeper than find's default.
    Application("Epiphany", "epiphany", epiphany_command, "Tavik Test Page", browser=True,
                open_tabs=epiphany_tabs, **page_checks(find_depth=30)),
    Application(
        "Gtk4Demo", "gtk4-demo", lambda folder, server: (["gtk4-demo"], {}), "GTK Demo",
        # The search button shows the search bar and its entry.
        presses=[Press(Target(["--role", "button", "--label", "Search"], GTK4_SEARCH_ROLE, "Search"),
                       sized("entry", GTK4_SEARCH_ENTRY), "the search entry shows")],
        # GTK 4.8's entries take a new text (one line: Return would
        # activate), though they read back empty up to offset -1.
        keyed=Typing(Target(["--role", "textfield"], "entry", GTK4_SEARCH_ENTRY), SET_TEXT, "AXSetValue"),
        landmarks=[(GTK4_SEARCH_ROLE, "Search"), ("list", "Demo list"), GTK4_TABS],
        shown_state="visible",
    ),
    Application(
        "FeatherPad", "featherpad", lambda folder, server: (["featherpad", "--standalone"], {}), "Untitled",
        # File > New opens a second tab.
        presses=[Press(Target(["--role", "menuitem", "--label", "New"], "menu item", "New"),
                       count_of("page tab", 2), "a second tab opened")],
        set_value=Typing(Target(["--role", "textarea"], "text", ""), SET_TEXT, "AXSetValue"),
        keyed=Typing(Target(["--role", "textarea"], "text", ""), KEYED_TEXT, None),
        landmarks=[("menu item", "File"), ("page tab", "Untitled")],
    ),
    Application(
        "Qt6ct", "qt6ct", lambda folder, server: (["qt6ct"], {}), "Qt6 Configuration Tool",
        # The warning bar's Hide button hides the bar.
        presses=[Press(Target(["--role", "button", "--label", "Hide"], PUSH_BUTTON, "Hide"),
                       has_state("label", "The application is not configured correctly.", "showing", present=False),
                       "the warning bar is hidden")],
        set_value=Typing(Target(["--role", "textfield"], "text", ""), SET_TEXT, "AXSetValue"),
        landmarks=[("combo box", "Fusion"), (PUSH_BUTTON, "Hide"), ("radio button", "Custom")],
    ),
    Application(
        "LibreOfficeWriter", "libreoffice", libreoffice_command, LIBREOFFICE_TITLE,
        presses=[Press(Target(["--role", LIBREOFFICE_TOGGLE, "--label", "Bold"], "toggle button", "Bold"),
                       has_state("toggle button", "Bold", "checked"), "Bold is on")],
        # A paragraph of the document; Return would split it, so no key check.
        set_value=Typing(Target(["--role", "paragraph"], "paragraph", ""), SET_TEXT, "AXSetValue"),
        landmarks=[(PUSH_BUTTON, "Open"), (PUSH_BUTTON, "Save"), ("toggle button", "Bold")],
    ),
    Application(
        "Swing", "java", swing_command, "Tavik Swing",
        presses=[Press(Target(["--role", "button", "--label", "Press me"], PUSH_BUTTON, "Press me"),
                       text_shown("Count: 1"), "the counter reads Count: 1"),
                 Press(Target(["--role", "checkbox", "--label", "Agree to terms"], "check box", "Agree to terms"),
                       has_state("check box", "Agree to terms", "checked"), "the check box is checked")],
        # Without the emoji: no character beyond U+FFFF reaches a Swing
        # text. The bridge's SetTextContents hands Java the UTF-8 bytes of
        # such a character as Latin-1 characters ("a😀b" becomes "a\xf0\x9f"),
        # which the tool reads back, undoes and types as keys instead; and
        # AWT keeps a key's character in one UTF-16 unit, cutting U+1F600 to
        # U+F600. The labels under the texts spell their values (echo).
        set_value=Typing(Target(["--role", "textfield", "--label", "Your name"], "text", "Your name"),
                         SET_TEXT.replace(" 😀", ""), "AXSetValue", echo="Name"),
        keyed=Typing(Target(["--role", "textarea", "--label", "Notes"], "text", "Notes"),
                     KEYED_TEXT.replace(" 😀", ""), None, echo="Notes"),
        landmarks=[(PUSH_BUTTON, "Press me"), ("text", "Your name"), ("check box", "Agree to terms")],
    ),
]


# ---------------------------------------------------------------------------
# Launching and ending

class Running:
    """One launched application: its process, private folder and the page
    server (browsers)."""

    def __init__(self, row, server):
        self.row = row
        self.folder = tempfile.mkdtemp(prefix="tavik-app-")
        try:
            argv, extra = row.command(self.folder, server)
        except BaseException:  # a skip or a failed build leaves no folder behind
            shutil.rmtree(self.folder, ignore_errors=True)
            raise
        env = dict(os.environ, **extra)
        env.pop("NO_AT_BRIDGE", None)
        # Its own session: ending it reaches the helper processes too.
        self.process = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL, env=env, start_new_session=True)
        self.pid = self.process.pid

    def window_index(self):
        """The index of the window with the row's title, once pyatspi sees it
        in the launched process or one of its descendants (LibreOffice's
        starter runs the office as its child); that process becomes pid."""
        for pid in [self.process.pid] + descendants(self.process.pid):
            for window in reference_windows(pid):
                if window.get("name") == self.row.title:
                    self.pid = pid
                    return window["index"]
        return None

    def status(self):
        """None while the application's process runs, else how it ended."""
        if self.pid == self.process.pid:
            return self.process.poll()
        try:
            with open("/proc/%d/stat" % self.pid) as stat:
                state = stat.read().rsplit(")", 1)[1].split()[0]
            return None if state != "Z" else "ended"
        except OSError:
            return "ended"

    def alive(self):
        return self.status() is None

    def stop(self):
        """Ends the application and every helper of its session."""
        group = self.process.pid
        try:
            os.killpg(group, signal.SIGTERM)
        except ProcessLookupError:
            pass
        try:
            self.process.wait(timeout=8)
        except subprocess.TimeoutExpired:
            pass
        # Helpers that outlive the leader (or ignore the request) go too.
        if harness.wait_for(lambda: not descendants_in_group(group), timeout=5, interval=0.2) is None:
            try:
                os.killpg(group, signal.SIGKILL)
            except ProcessLookupError:
                pass
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=5)
        shutil.rmtree(self.folder, ignore_errors=True)


def descendants(pid):
    """Pids of every descendant of a process, nearest first."""
    parents = harness.process_table()
    found, level = [], [pid]
    while level:
        level = [child for child, (parent, _) in parents.items() if parent in level]
        found.extend(level)
    return found


def descendants_in_group(group):
    """Whether any process is still in this process group."""
    return any(g == group for _, g in harness.process_table().values())


def launch(row, server):
    """Starts the row's application and waits (bounded) until pyatspi sees its
    window and, for browsers, the page's content. SkipTest when the program
    is missing."""
    if shutil.which(row.program) is None:
        raise unittest.SkipTest("%s is not installed" % row.program)
    if not os.environ.get("DISPLAY"):
        raise unittest.SkipTest("no desktop: run under tools/with-desktop")
    running = Running(row, server)
    index = harness.wait_for(lambda: not running.alive() or running.window_index() is not None,
                             timeout=row.launch_timeout, interval=0.5)
    index = running.window_index() if running.alive() else None
    if index is None:
        running.stop()
        raise AssertionError("%s did not show its window %r within %s s" % (row.name, row.title,
                                                                              row.launch_timeout))
    ready = harness.wait_for(lambda: row.ready(flatten(reference_tree(running.pid, index, row.depth))),
                             timeout=row.launch_timeout, interval=0.5)
    if not ready:
        running.stop()
        raise AssertionError("%s never showed its content to pyatspi" % row.name)
    running.index = index
    return running
