"""What the tool must never do on the accessibility bus, through the built
binary on the virtual desktop, with the GTK fixture as the application that
must stay untouched (read back through pyatspi) and a fake application
(fake_atspi_app.py) as the one trying to misdirect the tool:

- follow another application's objects that an application lists among its
  children (the desktop, another application's root), while a plug that
  names its socket as parent is followed;
- take the accessibility bus from the X root window, which any X client can
  set, while the session bus says where it is;
- start a session bus or accessibility daemons when there is no session bus.

Run: tools/with-desktop /usr/bin/python3 -m unittest discover -s tests/integration -p 'test_accessibility_safety.py'
"""

import json
import os
import select
import shutil
import signal
import socket
import subprocess
import tempfile
import time
import unittest

import harness

HERE = os.path.dirname(os.path.abspath(__file__))
FAKE = os.path.join(HERE, "fake_atspi_app.py")
REFERENCE = os.path.join(HERE, "atspi_reference.py")
FIXTURE = harness.build_path("tests", "fixture", "tavik_fixture")
MAIN_TITLE = "Tavik Fixture — Ünïcødé"
# In the fixture's main window.
BUTTON, COUNTER, ENTRY = "0.0.0.0", "0.0.0.1", "0.0.1.0.2"
# In the fake application's window, below its foreign child.
FAKE_BUTTON, PASSWORD = "0.0", "0.1"


def fixture_state(pid):
    """The counter's name and the entry's text of the fixture's main window, through pyatspi."""
    out = subprocess.run(["/usr/bin/python3", REFERENCE, "tree", str(pid), "0", "10"], stdin=subprocess.DEVNULL,
                         capture_output=True, timeout=30).stdout
    records = {}

    def walk(record):
        records[record["path"]] = record
        for child in record.get("children", []):
            walk(child)

    walk(json.loads(out))
    return records[COUNTER]["name"], records[ENTRY].get("text")


def desktop_size():
    """How many applications the registry lists, through pyatspi."""
    out = subprocess.run(["/usr/bin/python3", "-c", "import pyatspi; print(pyatspi.Registry.getDesktop(0).childCount)"],
                         stdin=subprocess.DEVNULL, capture_output=True, timeout=30).stdout
    return int(out)


def events(state):
    """What was done to a fake application: its state file's records."""
    if not os.path.exists(state):
        return []
    with open(state) as lines:
        return [json.loads(line) for line in lines if line.strip()]


def start_fake(folder, name, *options):
    """A fake application on the session's accessibility bus, shown in list-windows; (process, state file)."""
    state = os.path.join(folder, name + ".state")
    process = harness.start_app(["/usr/bin/python3", FAKE, "--state", state, "--title", name] + list(options), name)
    return process, state


class ForeignChildren(unittest.TestCase):
    """A window that lists another application's objects among its children."""

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="tavik-safety-")
        cls.processes = []
        cls.fixture = harness.start_app([FIXTURE], MAIN_TITLE)
        cls.processes.append(cls.fixture)
        cls.fakes = {}
        for name, options in (("Lists The Desktop", ["--foreign", "desktop"]),
                              ("Lists Another Application", ["--foreign", "app:%d" % cls.fixture.pid]),
                              ("Embeds A Plug", ["--embed"])):
            process, state = start_fake(cls.folder, name, *options)
            cls.processes.append(process)
            cls.fakes[name] = (process.pid, state)

    @classmethod
    def tearDownClass(cls):
        for process in cls.processes:
            harness.stop(process)
        shutil.rmtree(cls.folder, ignore_errors=True)

    def test_paths_through_another_applications_objects_reach_nothing(self):
        # Through the desktop: its child k is the application k, whose child 0
        # is its first window; every application is tried.
        pid, _ = self.fakes["Lists The Desktop"]
        through_desktop = ["0.0.%d.0" % k for k in range(desktop_size())]
        # Through the fixture's application root, listed directly.
        other, _ = self.fakes["Lists Another Application"]
        cases = [(pid, window) for window in through_desktop] + [(other, "0.0.0")]
        before = fixture_state(self.fixture.pid)
        for fake, window in cases:
            for args in (["click", fake, window + "." + BUTTON[2:]], ["type", fake, window + "." + ENTRY[2:], "taken"]):
                with self.subTest(args=args):
                    self.assertEqual(harness.run_json(self, args, status=1), {"error": "Element not found at path: " + args[2]})
        self.assertEqual(fixture_state(self.fixture.pid), before)

    def test_the_foreign_children_are_not_shown_and_the_own_ones_still_work(self):
        for name in ("Lists The Desktop", "Lists Another Application"):
            with self.subTest(name=name):
                pid, state = self.fakes[name]
                tree = harness.run_json(self, ["read-tree", pid, 10])
                self.assertEqual([(c["path"], c["title"]) for c in tree["children"]],
                                 [(FAKE_BUTTON, "Fake button"), (PASSWORD, "Password")])
                self.assertEqual(harness.run_json(self, ["find", pid, "--label", "press me"]), [])
                self.assertEqual(harness.run_json(self, ["click", pid, FAKE_BUTTON]), {"success": True, "method": "AXPress"})
                self.assertEqual(events(state), [{"pressed": "Fake button"}])

    def test_a_plug_that_names_its_socket_is_followed(self):
        pid, state = self.fakes["Embeds A Plug"]
        tree = harness.run_json(self, ["read-tree", pid, 10])
        plug = tree["children"][2]
        self.assertEqual((plug["title"], [c["title"] for c in plug["children"]]), ("Plug", ["Embedded button"]))
        self.assertEqual(harness.run_json(self, ["click", pid, "0.2.0"]), {"success": True, "method": "AXPress"})
        self.assertEqual(events(state), [{"pressed": "Embedded button"}])


class TwoRoots(unittest.TestCase):
    """A process with two accessibility roots (two connections of one process)."""

    def test_each_window_is_listed_once_and_reached_by_its_index(self):
        folder = tempfile.mkdtemp(prefix="tavik-roots-")
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        process, _ = start_fake(folder, "First Root Window", "--second-root", "Second Root Window")
        self.addCleanup(harness.stop, process)
        second = lambda: harness.window_record(process.pid, "Second Root Window")
        self.assertTrue(harness.wait_for(second, timeout=10))
        records = [r for r in harness.run_json(self, ["list-windows"]) if r["pid"] == process.pid]
        # In the registry's order of the roots, each window once.
        self.assertEqual(sorted(r["windowIndex"] for r in records), [0, 1])
        self.assertEqual(sorted(r["title"] for r in records), ["First Root Window", "Second Root Window"])
        for record in records:
            tree = harness.run_json(self, ["read-tree", process.pid, 1, record["windowIndex"]])
            self.assertEqual(tree["title"], record["title"])


class SilentOwnSocket(unittest.TestCase):
    """An application names a socket of its own that never answers: its
    tree is still read, over the bus, without a time-out."""

    def test_the_tree_is_read_over_the_bus(self):
        folder = tempfile.mkdtemp(prefix="tavik-own-socket-")
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        process, state = start_fake(folder, "Silent Socket Window", "--silent-own-socket")
        self.addCleanup(harness.stop, process)
        start = time.monotonic()
        tree = harness.run_json(self, ["read-tree", process.pid, 3])
        self.assertLess(time.monotonic() - start, 2.5)  # a time-out is 3 s
        self.assertEqual([c.get("title") for c in tree["children"]], ["Fake button", "Password"])
        self.assertEqual(harness.run_json(self, ["click", process.pid, FAKE_BUTTON]), {"success": True, "method": "AXPress"})
        self.assertEqual(events(state), [{"pressed": "Fake button"}])


def root_property():
    """The X root window's AT_SPI_BUS property, or None."""
    out = subprocess.run(["xprop", "-root", "AT_SPI_BUS"], capture_output=True, text=True, timeout=10).stdout
    if "=" not in out:
        return None
    return json.loads(out.split("=", 1)[1].strip())


def set_root_property(value):
    if value is None:
        subprocess.run(["xprop", "-root", "-remove", "AT_SPI_BUS"], check=True, timeout=10)
    else:
        subprocess.run(["xprop", "-root", "-f", "AT_SPI_BUS", "8s", "-set", "AT_SPI_BUS", value], check=True, timeout=10)


def read_line(process, timeout):
    """The next line of a child's stdout, or '' after timeout seconds."""
    ready, _, _ = select.select([process.stdout], [], [], timeout)
    return process.stdout.readline().strip() if ready else ""


def without_session_bus(display=True):
    """The environment with no session bus to be found (and without DISPLAY when asked)."""
    env = dict(os.environ)
    for name in ("DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR") + (() if display else ("DISPLAY",)):
        env.pop(name, None)
    return env


def run_in(test, env, args, status=0):
    completed = subprocess.run([harness.BINARY] + [str(a) for a in args], stdin=subprocess.DEVNULL,
                               capture_output=True, timeout=harness.RUN_TIMEOUT, env=env)
    test.assertEqual((completed.returncode, completed.stderr), (status, b""), args)
    return json.loads(completed.stdout)


class PlantedBus(unittest.TestCase):
    """An X client points the root window's AT_SPI_BUS at a bus of its own,
    where a fake registry lists a fake application with a password field."""

    @classmethod
    def setUpClass(cls):
        if not shutil.which("xprop"):
            raise unittest.SkipTest("xprop is not installed")
        cls.folder = tempfile.mkdtemp(prefix="tavik-planted-")
        cls.processes = []
        cls.fixture = harness.start_app([FIXTURE], MAIN_TITLE)
        cls.processes.append(cls.fixture)
        cls.bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1",
                                    "--address=unix:path=%s/bus" % cls.folder],
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        cls.processes.append(cls.bus)
        address = read_line(cls.bus, 10)
        cls.state = os.path.join(cls.folder, "planted.state")
        cls.planted = subprocess.Popen(["/usr/bin/python3", FAKE, "--state", cls.state, "--title", "Planted Window",
                                        "--bus", address, "--own-registry"],
                                       stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        cls.processes.append(cls.planted)
        if read_line(cls.planted, 20) != "ready":
            cls.tearDownClass()
            raise AssertionError("the planted application did not start")
        cls.address = address
        cls.original = root_property()
        set_root_property(address)

    @classmethod
    def tearDownClass(cls):
        if hasattr(cls, "original"):
            set_root_property(cls.original)
        for process in reversed(cls.processes):
            harness.stop(process)
        shutil.rmtree(cls.folder, ignore_errors=True)

    def test_the_session_bus_says_where_the_accessibility_bus_is(self):
        # The session bus by its address, or (as libdbus finds it) by the
        # user's bus socket in XDG_RUNTIME_DIR.
        socket_only = dict(os.environ)
        socket_only.pop("DBUS_SESSION_BUS_ADDRESS")
        for env in (dict(os.environ), socket_only):
            with self.subTest(session=env.get("DBUS_SESSION_BUS_ADDRESS")):
                titles = {(record["pid"], record["title"]) for record in run_in(self, env, ["list-windows"])}
                self.assertIn((self.fixture.pid, MAIN_TITLE), titles)
                self.assertNotIn((self.planted.pid, "Planted Window"), titles)
        self.assertEqual(harness.run_json(self, ["type", self.planted.pid, PASSWORD, "secret"], status=1),
                         {"error": "Window not found"})
        self.assertEqual(events(self.state), [])

    def test_without_a_session_bus_the_root_window_is_all_there_is(self):
        windows = run_in(self, without_session_bus(), ["list-windows"])
        self.assertEqual([(r["pid"], r["title"]) for r in windows], [(self.planted.pid, "Planted Window")])

    def test_a_planted_socket_that_never_answers_does_not_hold_the_run(self):
        # It accepts the connection and says nothing (libdbus alone would
        # wait for its authentication for ever).
        path = os.path.join(self.folder, "silent")
        listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        listener.bind(path)
        listener.listen(5)
        set_root_property("unix:path=" + path)
        try:
            self.assertEqual(run_in(self, without_session_bus(), ["list-windows"]), [])
        finally:
            set_root_property(self.address)
            listener.close()


def daemons_since(before, display):
    """Processes started since the table `before` that run on this desktop's
    display and are still there: {pid: command}."""
    found = {}
    for pid in set(harness.process_table()) - set(before):
        try:
            with open("/proc/%d/environ" % pid, "rb") as environ:
                on_display = ("DISPLAY=%s" % display).encode() in environ.read().split(b"\0")
            with open("/proc/%d/comm" % pid) as comm:
                command = comm.read().strip()
        except OSError:
            continue
        if on_display:
            found[pid] = command
    return found


class NoSessionBus(unittest.TestCase):
    """Without a session bus nothing is launched: libdbus would autolaunch a
    session bus (dbus-launch, with dbus-x11 installed) and with it the
    accessibility daemons, which outlive the run."""

    def check_nothing_started(self, env, args):
        before = harness.process_table()
        document = run_in(self, env, args)
        time.sleep(0.5)
        started = daemons_since(before, os.environ["DISPLAY"])
        for pid in started:
            try:
                os.kill(pid, signal.SIGTERM)
            except OSError:
                pass
        self.assertEqual(started, {}, args)
        return document

    def test_no_daemon_is_started(self):
        if not os.environ.get("DISPLAY"):
            self.skipTest("no desktop: run under tools/with-desktop")
        env = without_session_bus()
        for args in (["check-permission"], ["activate", os.getpid()], ["list-windows"]):
            with self.subTest(args=args):
                self.check_nothing_started(env, args)
        # With no display either there is no accessibility service at all.
        env = without_session_bus(display=False)
        self.assertEqual(run_in(self, env, ["check-permission"]), {"trusted": False})
        self.assertEqual(run_in(self, env, ["list-windows"]), [])
        self.assertEqual(run_in(self, env, ["activate", os.getpid()]), {"success": False, "pid": os.getpid()})


if __name__ == "__main__":
    unittest.main()
