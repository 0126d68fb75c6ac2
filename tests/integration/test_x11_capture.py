"""Screenshots on X11 through the built binary: the PNG files it writes, their
size and pixels, several monitors, and a shots folder someone else planted."""

import json
import os
import resource
import shutil
import signal
import stat
import subprocess
import tempfile
import time
import unittest

import harness
from x11_fixture import InputFixture, Png, screen_size



def xrandr(*args):
    return subprocess.run(["xrandr"] + list(args), capture_output=True, text=True, timeout=10, check=True).stdout


def shared_memory_of(pids):
    """The System V shared memory segments that these processes created."""
    with open("/proc/sysvipc/shm") as table:
        rows = [line.split() for line in table.readlines()[1:]]
    return [row for row in rows if int(row[4]) in pids]


def first_output():
    """The output of the first monitor: a monitor set on it replaces the
    server's own monitor for that output."""
    return xrandr("--listmonitors").splitlines()[1].split()[-1]


class X11CaptureTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.fixture = InputFixture()
        # The tool's temporary directory: a private one per test run.
        cls.saved_tmpdir = os.environ.get("TMPDIR")
        cls.tmpdir = tempfile.mkdtemp(prefix="tavik-capture-")
        os.environ["TMPDIR"] = cls.tmpdir

    @classmethod
    def tearDownClass(cls):
        cls.fixture.stop()
        if cls.saved_tmpdir is None:
            os.environ.pop("TMPDIR", None)
        else:
            os.environ["TMPDIR"] = cls.saved_tmpdir
        shutil.rmtree(cls.tmpdir, ignore_errors=True)

    def setUp(self):
        shutil.rmtree(self.shots, ignore_errors=True)
        if os.path.islink(self.shots) or os.path.exists(self.shots):
            os.unlink(self.shots)

    @property
    def shots(self):
        return os.path.join(self.tmpdir, "tavik-shots")

    def screenshot(self, *args):
        """Runs screenshot; checks the answer and the file; returns (answer, Png)."""
        answer = harness.run_json(self, ["screenshot"] + list(args))
        self.assertTrue(answer.get("success"), answer)
        path = answer["path"]
        self.assertEqual(os.path.dirname(path), self.shots)
        self.assertRegex(os.path.basename(path), r"\Ashot-[0-9A-F]{12}\.png\Z")
        self.assertEqual(stat.S_IMODE(os.lstat(self.shots).st_mode), 0o700)
        self.assertEqual(stat.S_IMODE(os.lstat(path).st_mode), 0o600)
        return answer, Png(path)

    def assertPatchAt(self, png, x, y):
        """The fixture's colour patch has its top-left corner at (x, y) of the image."""
        colour = tuple(self.fixture.report()["patchColour"])
        patch = self.fixture.report()["patch"]
        for dx, dy in [(2, 2), (patch["width"] - 3, patch["height"] - 3)]:
            self.assertEqual(png.pixel(x + dx, y + dy), colour)
        self.assertNotEqual(png.pixel(x + patch["width"] + 2, y + 2), colour)

    def test_screen_capture_is_the_whole_root_window(self):
        width, height = screen_size()
        answer, png = self.screenshot()
        self.assertEqual(
            (answer["scope"], answer["x"], answer["y"], answer["width"], answer["height"]),
            ("screen", 0, 0, width, height),
        )
        self.assertEqual((png.width, png.height), (width, height))
        patch = self.fixture.report()["patch"]
        self.assertPatchAt(png, patch["x"], patch["y"])

    def test_window_capture_is_the_window_area(self):
        answer, png = self.screenshot(self.fixture.pid)
        record = harness.window_record(self.fixture.pid, "Tavik Input Fixture")
        self.assertIsNotNone(record)
        self.assertEqual(answer["scope"], "window")
        self.assertEqual(
            [answer[k] for k in ("x", "y", "width", "height")], [record[k] for k in ("x", "y", "width", "height")]
        )
        self.assertEqual((png.width, png.height), (answer["width"], answer["height"]))
        patch = self.fixture.report()["patch"]
        self.assertPatchAt(png, patch["x"] - answer["x"], patch["y"] - answer["y"])

    def test_two_monitors_give_their_union_and_black_between_them(self):
        width, height = screen_size()
        patch = self.fixture.report()["patch"]
        window = self.fixture.report()["window"]
        # A tall monitor on the left holding the colour patch, a small one
        # further right; the fixture window reaches into the gap between.
        left_width = patch["x"] + patch["width"] + 20
        gap_x = left_width + 20
        self.assertLess(gap_x, window["x"] + window["width"] - 10, "the window must reach into the gap")
        right_x, right_width, right_height = left_width + 200, 600, 300
        self.assertLessEqual(right_x + right_width, width)
        xrandr("--setmonitor", "tavik-left", "%d/100x%d/100+0+0" % (left_width, height), first_output())
        try:
            xrandr("--setmonitor", "tavik-right", "%d/100x%d/100+%d+100" % (right_width, right_height, right_x), "none")
            try:
                answer, png = self.screenshot()
            finally:
                xrandr("--delmonitor", "tavik-right")
        finally:
            xrandr("--delmonitor", "tavik-left")
        union_width = right_x + right_width
        self.assertEqual([answer[k] for k in ("x", "y", "width", "height")], [0, 0, union_width, height])
        self.assertEqual((png.width, png.height), (union_width, height))
        self.assertPatchAt(png, patch["x"], patch["y"])
        # Inside the fixture window, but on no monitor.
        self.assertEqual(png.pixel(gap_x, window["y"] + window["height"] - 20), (0, 0, 0))

    def test_a_monitor_reaching_past_the_root_window_is_captured_clipped_with_black_beyond(self):
        width, height = screen_size()
        # Above and right of the root: reading there directly would fail.
        xrandr("--setmonitor", "tavik-off", "600/100x400/100+%d+-100" % (width - 280), "none")
        try:
            answer, png = self.screenshot()
        finally:
            xrandr("--delmonitor", "tavik-off")
        self.assertEqual([answer[k] for k in ("x", "y", "width", "height")], [0, -100, width + 320, height + 100])
        self.assertEqual((png.width, png.height), (width + 320, height + 100))
        patch = self.fixture.report()["patch"]
        self.assertPatchAt(png, patch["x"], patch["y"] + 100)
        self.assertEqual(png.pixel(width + 100, 150), (0, 0, 0))

    def test_a_server_over_tcp_gives_the_same_picture_as_one_sharing_memory(self):
        # A server reached over the network cannot share memory with the
        # tool, which then reads the pixels through the connection. A server
        # of its own, taller than one band of shared rows, shows a plaid
        # whose period crosses word and band boundaries; both ways give the
        # same pixels, and so (the encoder being deterministic) the same file.
        read_end, write_end = os.pipe()
        server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "640x1700x24", "-listen", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        )
        os.close(write_end)
        self.addCleanup(server.wait)
        self.addCleanup(server.terminate)
        with os.fdopen(read_end) as reader:
            number = reader.readline().strip()
        if not number:
            self.skipTest("Xvfb did not start with a TCP listener")
        local = dict(os.environ, DISPLAY=":" + number)
        subprocess.run(["xsetroot", "-mod", "5", "7", "-fg", "#d04020", "-bg", "#2040d0"], env=local, check=True,
                       timeout=10)
        files = []
        for display in (":" + number, "127.0.0.1:" + number):
            answer = harness.run_json(self, ["screenshot"], env=dict(os.environ, DISPLAY=display))
            self.assertEqual([answer[k] for k in ("x", "y", "width", "height")], [0, 0, 640, 1700])
            with open(answer["path"], "rb") as png:
                files.append(png.read())
        png = Png(answer["path"])
        colours = {png.pixel(x, y) for y in (0, 1, 818, 819, 820, 1638, 1699) for x in range(0, 640, 3)}
        self.assertEqual(colours, {(0xD0, 0x40, 0x20), (0x20, 0x40, 0xD0)})
        self.assertTrue(files[0] == files[1], "the pictures differ")

    def test_interrupted_captures_leave_no_shared_memory_behind(self):
        # Stopped at every stage of a run, and one run to its end.
        pids = set()
        for delay in [i * 0.004 for i in range(15)] + [None]:
            process = subprocess.Popen(
                [harness.BINARY, "screenshot"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL,
            )
            pids.add(process.pid)
            if delay is not None:
                time.sleep(delay)
                process.send_signal(signal.SIGTERM if len(pids) % 2 else signal.SIGINT)
            process.wait(timeout=10)
        # The server lets go of a segment once it sees the connection close.
        harness.wait_for(lambda: not shared_memory_of(pids), timeout=5)
        self.assertEqual(shared_memory_of(pids), [])


    def test_a_shots_folder_that_is_not_our_own_directory_is_refused(self):
        elsewhere = tempfile.mkdtemp(prefix="tavik-elsewhere-")
        self.addCleanup(shutil.rmtree, elsewhere, ignore_errors=True)

        def symbolic_link():
            os.symlink(elsewhere, self.shots)

        def regular_file():
            with open(self.shots, "w") as planted:
                planted.write("planted")

        def foreign_directory():
            os.mkdir(self.shots, 0o777)
            os.chown(self.shots, 65534, 65534)

        cases = [("symbolic link", symbolic_link), ("regular file", regular_file)]
        if os.geteuid() == 0:
            cases.append(("directory of another user", foreign_directory))
        for name, plant in cases:
            with self.subTest(name):
                self.setUp()
                plant()
                self.assertCaptureFailed("the folder %s" % self.shots)
                self.assertEqual(os.listdir(elsewhere), [])
                if os.path.isdir(self.shots) and not os.path.islink(self.shots):
                    self.assertEqual(os.listdir(self.shots), [])

    def test_without_tmpdir_every_user_captures_into_a_folder_of_their_own(self):
        """With TMPDIR unset two users of one machine both take screenshots,
        in either order, each into a folder of their own in /tmp, even with
        a shared /tmp/tavik-shots someone else made; a user's folder that
        someone else planted is refused and nothing is written through it."""
        if os.geteuid() != 0:
            self.skipTest("acting as other users needs root")
        users, stranger = (4242, 4243), 4244
        folders = {uid: "/tmp/tavik-ax-%d" % uid for uid in users}

        def clear(path):
            if os.path.islink(path) or os.path.isfile(path):
                os.unlink(path)
            else:
                shutil.rmtree(path, ignore_errors=True)
        for folder in folders.values():
            clear(folder)
            self.addCleanup(clear, folder)
        if not os.path.lexists("/tmp/tavik-shots"):
            os.mkdir("/tmp/tavik-shots", 0o700)
            os.chown("/tmp/tavik-shots", stranger, stranger)
            self.addCleanup(shutil.rmtree, "/tmp/tavik-shots", ignore_errors=True)
        no_tmpdir = {key: value for key, value in os.environ.items() if key != "TMPDIR"}
        # The checkout may sit where other users cannot reach (root's home).
        runnable = tempfile.mkdtemp(prefix="tavik-binary-", dir="/tmp")
        self.addCleanup(shutil.rmtree, runnable, ignore_errors=True)
        os.chmod(runnable, 0o755)
        binary = shutil.copy(harness.BINARY, runnable)

        def as_user(uid):
            def switch():
                os.setgroups([])
                os.setgid(uid)
                os.setuid(uid)
            return dict(env=no_tmpdir, preexec_fn=switch, executable=binary)

        for order in (users, users[::-1]):
            for uid in order:
                with self.subTest(uid=uid, order=order):
                    answer = harness.run_json(self, ["screenshot"], **as_user(uid))
                    self.assertTrue(answer.get("success"), answer)
                    shots = os.path.join(folders[uid], "tavik-shots")
                    self.assertEqual(os.path.dirname(answer["path"]), shots)
                    for path, mode in ((folders[uid], 0o700), (shots, 0o700), (answer["path"], 0o600)):
                        status = os.lstat(path)
                        self.assertEqual((status.st_uid, stat.S_IMODE(status.st_mode)), (uid, mode), path)

        elsewhere = tempfile.mkdtemp(prefix="tavik-elsewhere-")
        self.addCleanup(shutil.rmtree, elsewhere, ignore_errors=True)
        os.chown(elsewhere, users[0], users[0])
        folder = folders[users[0]]

        def foreign_directory():
            os.mkdir(folder, 0o777)
            os.chown(folder, stranger, stranger)

        def regular_file():
            with open(folder, "w") as planted:
                planted.write("planted")
            os.chown(folder, stranger, stranger)

        for name, plant in (("directory of another user", foreign_directory), ("regular file", regular_file),
                            ("symbolic link", lambda: os.symlink(elsewhere, folder))):
            with self.subTest(name):
                clear(folder)
                plant()
                self.assertCaptureFailed("the folder %s " % folder, **as_user(users[0]))
                self.assertEqual(os.listdir(elsewhere), [])
                if os.path.isdir(folder) and not os.path.islink(folder):
                    self.assertEqual(os.listdir(folder), [])

    def assertCaptureFailed(self, saying, **run):
        """The run fails with a message that says what failed (not a hint
        about another platform's permissions)."""
        code, out, err = harness.run_tool(["screenshot"], **run)
        self.assertEqual((code, err), (1, ""), out)
        message = json.loads(out)["error"]
        self.assertTrue(message.startswith("Capture failed (") and saying in message, message)

    def test_a_file_that_cannot_be_written_whole_leaves_nothing_behind(self):
        # A file-size limit stands in for a full disk: the write fails midway.
        limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (1000, 1000))
        self.assertCaptureFailed("could not write %s/shot-" % self.shots, preexec_fn=limit)
        self.assertEqual(os.listdir(self.shots), [])

    def test_an_open_folder_of_ours_is_made_private_and_missing_folders_are_created(self):
        os.mkdir(self.shots)
        os.chmod(self.shots, 0o777)
        self.screenshot()  # checks the folder is 0700 now
        missing = os.path.join(self.tmpdir, "not", "yet")
        self.addCleanup(shutil.rmtree, os.path.join(self.tmpdir, "not"), ignore_errors=True)
        answer = harness.run_json(self, ["screenshot"], env=dict(os.environ, TMPDIR=missing))
        self.assertEqual(os.path.dirname(answer["path"]), os.path.join(missing, "tavik-shots"))
        for folder in (os.path.join(self.tmpdir, "not"), missing, os.path.join(missing, "tavik-shots")):
            self.assertEqual(stat.S_IMODE(os.stat(folder).st_mode), 0o700, folder)


if __name__ == "__main__":
    unittest.main()
