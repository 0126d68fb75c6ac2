"""navigate through the built binary. With a stand-in browser (declared a
web-address handler by a desktop entry in a private data home): the address
reaches the program as its one argument, without a shell, in the root folder,
and nothing the program prints reaches the answer or holds the caller's
pipes. Programs that declare no web addresses are never started. With the
real browsers, each on a private profile and found through Debian's desktop
entries: the address opens in the running instance as one new tab, and no new
process stays."""

import contextlib
import http.server
import json
import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time
import unittest
import urllib.request

import harness

STANDIN = harness.build_path("tests", "input-fixture", "tavik_standin_browser")

WEB_SCHEMES = "x-scheme-handler/http;x-scheme-handler/https;"
NOT_A_BROWSER = "The application of process %d does not open web addresses"


def desktop_entry(program, mime_types):
    return ("[Desktop Entry]\nType=Application\nName=Stand-in\nExec=\"%s\" %%U\nMimeType=%s\n"
            % (program, mime_types))


class X11NavigateTest(unittest.TestCase):
    def setUp(self):
        if not os.access(STANDIN, os.X_OK):
            self.skipTest("the stand-in browser is not built")
        self.folder = tempfile.mkdtemp(prefix="tavik-navigate-")
        self.addCleanup(shutil.rmtree, self.folder, ignore_errors=True)
        self.record = os.path.join(self.folder, "record")
        # The caller's working directory: nothing in it may ever run.
        self.caller_folder = os.path.join(self.folder, "caller")
        os.mkdir(self.caller_folder)
        self.data_home = os.path.join(self.folder, "data")
        os.makedirs(os.path.join(self.data_home, "applications"))
        self.declare(WEB_SCHEMES)
        self.browser = self.start_browser(STANDIN)

    def declare(self, mime_types):
        """The stand-in's desktop entry in the private data home."""
        with open(os.path.join(self.data_home, "applications", "tavik-standin.desktop"), "w") as entry:
            entry.write(desktop_entry(STANDIN, mime_types))

    def start_browser(self, program, *arguments):
        """A running "browser" (the stand-in without arguments waits)."""
        process = subprocess.Popen([program, *arguments], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        self.addCleanup(harness.stop, process)
        return process

    def navigate(self, pid, url, **browser_env):
        """Runs navigate with settings for the stand-in it launches; returns
        (status, stdout, stderr, seconds)."""
        env = dict(os.environ, TAVIK_STANDIN_RECORD=self.record, XDG_DATA_HOME=self.data_home, **browser_env)
        started = time.monotonic()
        done = subprocess.run(
            [harness.BINARY, "navigate", str(pid), url],
            stdin=subprocess.DEVNULL,
            capture_output=True,
            cwd=self.caller_folder,
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
        self.assertEqual(launch["cwd"], "/")
        self.assertEqual(os.listdir(self.caller_folder), [])
        self.assertFalse(os.path.exists(os.path.join(os.getcwd(), "out")))

    def test_programs_that_declare_no_web_addresses_are_never_started(self):
        # Python would run ./http:/evil.example/page.py from the caller's
        # folder; yes would print the address forever.
        marker = os.path.join(self.folder, "ran")
        planted = os.path.join(self.caller_folder, "http:", "evil.example", "page.py")
        os.makedirs(os.path.dirname(planted))
        with open(planted, "w") as script:
            script.write("open(%r, 'w').close()\n" % marker)
        os.chmod(planted, 0o755)
        python = self.start_browser("/usr/bin/python3", "-c", "import time; time.sleep(120)")
        yes = self.start_browser(shutil.which("yes") or "/usr/bin/yes")
        time.sleep(0.2)
        for process in (python, yes):
            with self.subTest(program=program_of(process.pid)):
                running = set(processes())
                status, out, err, _ = self.navigate(process.pid, "http://evil.example/page.py")
                self.assertEqual((status, json.loads(out), err), (1, {"error": NOT_A_BROWSER % process.pid}, ""))
                program = program_of(process.pid)
                started = [pid for pid in processes() if pid not in running and program_of(pid) == program]
                for pid in started:
                    os.kill(pid, signal.SIGKILL)
                self.assertEqual(started, [])
        self.assertFalse(os.path.exists(marker))

    def test_the_stand_in_without_a_web_address_entry_is_no_browser(self):
        cases = [
            ("text/html;x-scheme-handler/ftp;", "an entry for other types"),
            (WEB_SCHEMES.replace("http", "httpx"), "other schemes"),
        ]
        for mime_types, what in cases:
            with self.subTest(what):
                self.declare(mime_types)
                status, out, err, _ = self.navigate(self.browser.pid, "http://example.com/")
                self.assertEqual((status, json.loads(out), err), (1, {"error": NOT_A_BROWSER % self.browser.pid}, ""))
        self.assertEqual(self.launches(), [])

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


PAGE_TITLE = "Navigate Target"


class PageServer:
    """A local http server with one tiny page; counts the page's requests."""

    def __init__(self):
        requests = self.requests = []

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                requests.append(self.path)
                body = ("<html><head><title>%s</title></head><body>page</body></html>" % PAGE_TITLE).encode()
                self.send_response(200 if self.path == "/page" else 404)
                self.send_header("Content-Type", "text/html")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.url = "http://127.0.0.1:%d/page" % self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def close(self):
        self.server.shutdown()
        self.server.server_close()


def processes():
    """{pid: parent pid} of every process."""
    return {pid: parent for pid, (parent, _) in harness.process_table().items()}


def descendants(pid, table):
    found, todo = set(), [pid]
    while todo:
        parent = todo.pop()
        for child, its_parent in table.items():
            if its_parent == parent and child not in found:
                found.add(child)
                todo.append(child)
    return found


def on_our_display(pid):
    try:
        with open("/proc/%d/environ" % pid, "rb") as environ:
            return ("DISPLAY=%s" % os.environ["DISPLAY"]).encode() in environ.read().split(b"\0")
    except OSError:
        return False


def program_of(pid):
    try:
        return os.readlink("/proc/%d/exe" % pid)
    except OSError:
        return None


class Chromium:
    program = "chromium"

    def argv(self, profile):
        # As root Chromium runs only without its sandbox: the opener must too.
        return [self.program, "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
                "--disable-component-update", "--disable-sync", "--disable-quic", "--user-data-dir=" + profile,
                "--remote-debugging-port=0", "about:blank"]

    def tab_of(self, url):
        return url

    def tabs(self, profile, pid):
        """The addresses of the open tabs, through the DevTools endpoint
        (Chromium writes its port into the profile)."""
        direct = urllib.request.build_opener(urllib.request.ProxyHandler({}))
        try:
            with open(os.path.join(profile, "DevToolsActivePort")) as port_file:
                port = int(port_file.readline())
            with direct.open("http://127.0.0.1:%d/json/list" % port, timeout=5) as answer:
                return sorted(target["url"] for target in json.load(answer) if target["type"] == "page")
        except (OSError, ValueError, KeyError):
            return None


_FIREFOX_TABS = r"""
import sys, pyatspi
def tabs(node, depth, found):
    if node is None or depth > 30:
        return
    role = node.getRole()
    if role == pyatspi.ROLE_PAGE_TAB:
        found.append(node.name)
    elif role not in (pyatspi.ROLE_DOCUMENT_WEB, pyatspi.ROLE_DOCUMENT_FRAME):
        for child in node:
            tabs(child, depth + 1, found)
for app in pyatspi.Registry.getDesktop(0):
    try:
        if app is not None and app.get_process_id() == int(sys.argv[1]):
            found = []
            tabs(app, 0, found)
            print("\n".join(sorted(found)))
            print("done")
    except Exception:
        pass
"""


class FirefoxESR:
    program = "firefox-esr"
    # No first-run pages, no default-browser question: only the tabs we open.
    prefs = {
        "browser.shell.checkDefaultBrowser": False,
        "browser.startup.homepage_override.mstone": "ignore",
        "startup.homepage_welcome_url": "",
        "browser.aboutwelcome.enabled": False,
        "datareporting.policy.dataSubmissionEnabled": False,
        "datareporting.policy.firstRunURL": "",
        "toolkit.telemetry.reportingpolicy.firstRun": False,
        "browser.tabs.warnOnClose": False,
    }

    def argv(self, profile):
        with open(os.path.join(profile, "user.js"), "w") as user:
            for name, value in self.prefs.items():
                user.write("user_pref(%s, %s);\n" % (json.dumps(name), json.dumps(value)))
        return [self.program, "--profile", profile, "about:blank"]

    def tab_of(self, url):
        return PAGE_TITLE

    def tabs(self, profile, pid):
        """The titles of the open tabs, through the accessibility tree."""
        try:
            probe = subprocess.run(["/usr/bin/python3", "-c", _FIREFOX_TABS, str(pid)], stdin=subprocess.DEVNULL,
                                   capture_output=True, timeout=15)
        except subprocess.TimeoutExpired:
            return None
        lines = probe.stdout.decode().splitlines()
        return lines[:-1] if lines[-1:] == ["done"] and len(lines) > 1 else None


class RealBrowserNavigateTest(unittest.TestCase):
    """navigate <browser pid> <address> against Chromium and Firefox ESR."""

    def test_the_address_opens_as_one_tab_of_the_running_browser(self):
        for browser in (Chromium(), FirefoxESR()):
            with self.subTest(browser=browser.program), contextlib.ExitStack() as cleanup:
                self.check(browser, cleanup)

    def check(self, browser, cleanup):
        if shutil.which(browser.program) is None:
            self.skipTest("%s is not installed" % browser.program)
        if not os.environ.get("DISPLAY"):
            self.skipTest("no desktop: run under tools/with-desktop")
        profile = tempfile.mkdtemp(prefix="tavik-navigate-profile-")
        cleanup.callback(shutil.rmtree, profile, ignore_errors=True)
        server = PageServer()
        cleanup.callback(server.close)
        env = dict(os.environ, MOZ_CRASHREPORTER_DISABLE="1")
        env.pop("NO_AT_BRIDGE", None)
        process = subprocess.Popen(browser.argv(profile), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, env=env)
        cleanup.callback(self.stop_with_helpers, process)

        def tabs():
            return browser.tabs(profile, process.pid)

        def settled_tabs():
            # The same non-empty list twice in a row, a second apart.
            first = tabs()
            time.sleep(1)
            return first if first and first == tabs() else None

        before = harness.wait_for(settled_tabs, timeout=60, interval=0.5)
        self.assertTrue(before, "%s showed no tabs" % browser.program)
        program = program_of(process.pid)
        running = processes()

        status, out, err = harness.run_tool(["navigate", process.pid, server.url])

        self.assertEqual((status, err), (0, ""), out)
        self.assertEqual(json.loads(out), {"success": True, "method": "open", "url": server.url})
        page = browser.tab_of(server.url)
        opened = harness.wait_for(lambda: page in (tabs() or []), timeout=30)
        self.assertTrue(opened, "the page did not open in %s: %s" % (browser.program, tabs()))
        time.sleep(1)
        self.assertEqual(sorted(tabs()), sorted(before + [page]))
        self.assertEqual(server.requests.count("/page"), 1)

        # Whatever navigate started has handed the address over and gone:
        # a new process of the browser's program on this desktop is one of
        # the running browser's own (a renderer for the new tab).
        def strays():
            table = processes()
            ours = descendants(process.pid, table)
            return [pid for pid in table if pid not in running and pid not in ours and pid != process.pid
                    and (program_of(pid) or "").startswith(os.path.dirname(program) + "/") and on_our_display(pid)]

        self.assertIsNotNone(harness.wait_for(lambda: not strays(), timeout=10), "stayed: %s" % strays())

    @staticmethod
    def stop_with_helpers(process):
        helpers = descendants(process.pid, processes())
        harness.stop(process)
        for pid in helpers:
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass


if __name__ == "__main__":
    unittest.main()
