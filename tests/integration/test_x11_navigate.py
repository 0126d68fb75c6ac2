"""navigate through the built binary, with a stand-in browser: the address
reaches the program as its one argument, without a shell, and nothing the
program prints reaches the answer or holds the caller's pipes."""

import json
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

import harness

STANDIN = harness.build_path("tests", "input-fixture", "tavik_standin_browser")


class X11NavigateTest(unittest.TestCase):
    def setUp(self):
        if not os.access(STANDIN, os.X_OK):
            self.skipTest("the stand-in browser is not built")
        self.folder = tempfile.mkdtemp(prefix="tavik-navigate-")
        self.addCleanup(shutil.rmtree, self.folder, ignore_errors=True)
        self.record = os.path.join(self.folder, "record")
        self.browser = self.start_browser(STANDIN)

    def start_browser(self, program):
        """A running "browser" (the stand-in without arguments waits)."""
        process = subprocess.Popen([program], stdin=subprocess.DEVNULL)
        self.addCleanup(harness.stop, process)
        return process

    def navigate(self, pid, url, **browser_env):
        """Runs navigate with settings for the stand-in it launches; returns
        (status, stdout, stderr, seconds)."""
        env = dict(os.environ, TAVIK_STANDIN_RECORD=self.record, **browser_env)
        started = time.monotonic()
        done = subprocess.run(
            [harness.BINARY, "navigate", str(pid), url],
            stdin=subprocess.DEVNULL,
            capture_output=True,
            env=env,
            timeout=harness.RUN_TIMEOUT,
        )
        return done.returncode, done.stdout.decode(), done.stderr.decode(), time.monotonic() - started

    def launches(self):
        if not os.path.exists(self.record):
            return []
        with open(self.record) as record:
            return [json.loads(line) for line in record]

    def test_the_address_is_the_one_argument_and_the_browser_output_goes_nowhere(self):
        # Every character a shell would act on, and a tab (which is allowed).
        url = "https://example.com/p?q=1&r=$HOME;echo\t`id`|x'y*(z)>out#frag"
        status, out, err, _ = self.navigate(self.browser.pid, url)
        self.assertEqual((status, err), (0, ""), out)
        self.assertEqual(out.count("\n"), 1)
        self.assertEqual(json.loads(out), {"success": True, "method": "open", "url": url})
        [launch] = self.launches()
        self.assertEqual(launch["arguments"], [url])
        self.assertEqual(launch["streams"], ["/dev/null"] * 3)
        self.assertFalse(os.path.exists(os.path.join(os.getcwd(), "out")))

    def test_exit_status_of_the_opener_decides(self):
        status, out, _, _ = self.navigate(self.browser.pid, "http://example.com/", TAVIK_STANDIN_STATUS="3")
        self.assertEqual((status, json.loads(out)), (1, {"error": "open exited with status 3"}))

    def test_an_opener_that_keeps_running_is_left_running_and_counts_as_opened(self):
        # The caller reads our output to its end: the staying program must
        # not hold it open.
        status, out, _, seconds = self.navigate(self.browser.pid, "http://example.com/", TAVIK_STANDIN_STAY="60")
        self.assertEqual((status, json.loads(out)["success"]), (0, True))
        self.assertLess(seconds, 15)
        [launch] = self.launches()
        self.assertTrue(launch["sessionLeader"])
        os.kill(launch["pid"], 0)  # still running
        os.kill(launch["pid"], signal.SIGTERM)

    def test_nothing_is_launched_for_an_option_like_address_or_a_replaced_program(self):
        copy = os.path.join(self.folder, "browser-copy")
        shutil.copy(STANDIN, copy)
        replaced = self.start_browser(copy)
        time.sleep(0.2)
        os.unlink(copy)
        cases = [
            (self.browser.pid, "--help", "navigate only accepts http:// or https:// URLs"),
            (self.browser.pid, "-https://example.com/", "navigate only accepts http:// or https:// URLs"),
            (replaced.pid, "https://example.com/", "Cannot locate the browser application for pid %d" % replaced.pid),
        ]
        for pid, url, message in cases:
            with self.subTest(url=url, pid=pid):
                status, out, err, _ = self.navigate(pid, url)
                self.assertEqual((status, json.loads(out), err), (1, {"error": message}, ""))
        self.assertEqual(self.launches(), [])


if __name__ == "__main__":
    unittest.main()
