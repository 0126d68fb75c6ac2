"""Shared helpers of the integration tests.

The tests run the built tavik-ax binary as a process on a virtual desktop
(tools/with-desktop). The binary comes from the environment variable
TAVIK_AX (default: build/tavik-ax in the repository), the fixture programs
from the build directory TAVIK_BUILD (default: build/ in the repository).
"""

import json
import os
import shutil
import subprocess
import time
import unittest

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("TAVIK_BUILD") or os.path.join(REPO, "build")
BINARY = os.environ.get("TAVIK_AX") or os.path.join(BUILD, "tavik-ax")

# One run of the tool must never take long; a hang fails the test instead of
# blocking the suite.
RUN_TIMEOUT = 30
# How long an application may take to show its window in the accessibility tree.
APP_TIMEOUT = 20


def build_path(*parts):
    """A path inside the build directory (fixture binaries)."""
    return os.path.join(BUILD, *parts)


def run_tool(args, timeout=RUN_TIMEOUT, **process):
    """Runs tavik-ax with the given arguments (and further subprocess
    settings: env, preexec_fn, ...); returns (status, stdout, stderr) as
    text. Output that is not UTF-8 raises UnicodeDecodeError."""
    completed = subprocess.run(
        [BINARY] + [str(a) for a in args],
        stdin=subprocess.DEVNULL,
        capture_output=True,
        timeout=timeout,
        **process,
    )
    return (
        completed.returncode,
        completed.stdout.decode("utf-8"),
        completed.stderr.decode("utf-8", errors="replace"),
    )


def run_json(test, args, status=0, **process):
    """Runs tavik-ax, checks the status, an empty stderr and one JSON document
    with one line feed on stdout; returns the parsed document."""
    code, out, err = run_tool(args, **process)
    test.assertEqual(err, "", "stderr of %s" % (args,))
    test.assertEqual(code, status, "status of %s, stdout %r" % (args, out))
    test.assertTrue(out.endswith("\n") and out.count("\n") == 1, "one line on stdout: %r" % out)
    return json.loads(out)


def wait_for(condition, timeout=APP_TIMEOUT, interval=0.1):
    """Polls condition() until it gives a true value, at most timeout seconds;
    returns that value, or None when time ran out."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            return None
        time.sleep(interval)


def list_windows():
    """The records of `tavik-ax list-windows`, or [] when the run failed."""
    try:
        code, out, _ = run_tool(["list-windows"], timeout=10)
        records = json.loads(out) if code == 0 else []
        return records if isinstance(records, list) else []
    except (subprocess.TimeoutExpired, ValueError):  # UnicodeDecodeError is a ValueError
        return []


_PYATSPI_PROBE = r"""
import sys, pyatspi
pid, title = int(sys.argv[1]), sys.argv[2]
for app in pyatspi.Registry.getDesktop(0):
    try:
        if app is not None and app.get_process_id() == pid:
            for child in app:
                if child is not None and child.name == title:
                    print("yes")
    except Exception:
        pass
"""


def _seen_through_pyatspi(pid, title):
    # Debian's pyatspi loads only under the system interpreter.
    if not os.path.exists("/usr/bin/python3"):
        return False
    try:
        probe = subprocess.run(
            ["/usr/bin/python3", "-c", _PYATSPI_PROBE, str(pid), title],
            stdin=subprocess.DEVNULL,
            capture_output=True,
            timeout=10,
        )
        return b"yes" in probe.stdout
    except subprocess.TimeoutExpired:
        return False


def window_record(pid, title):
    """The list-windows record of the window with this title of process pid, or None."""
    for record in list_windows():
        if record.get("pid") == pid and record.get("title") == title:
            return record
    return None


def window_visible(pid, title):
    """Whether process pid shows a window with this title in the accessibility
    tree: through list-windows, else through pyatspi (which works before the
    tool's backend does)."""
    return window_record(pid, title) is not None or _seen_through_pyatspi(pid, title)


def start_app(argv, title, timeout=APP_TIMEOUT, env=None, stderr=None):
    """Starts an application and waits (bounded) until its window with this
    title shows in the accessibility tree; returns the Popen. The
    application's stderr goes to the given file, or nowhere. Raises
    unittest.SkipTest when the program is not there, AssertionError when the
    window never shows (the process is stopped then)."""
    program = argv[0]
    if os.path.sep in program:
        if not os.access(program, os.X_OK):
            raise unittest.SkipTest("%s is not built" % program)
    elif shutil.which(program) is None:
        raise unittest.SkipTest("%s is not installed" % program)
    if not os.environ.get("DISPLAY"):
        raise unittest.SkipTest("no desktop: run under tools/with-desktop")
    child_env = dict(os.environ if env is None else env)
    child_env.pop("NO_AT_BRIDGE", None)  # it would hide the application
    process = subprocess.Popen(
        argv,
        stdin=subprocess.DEVNULL,
        stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL if stderr is None else stderr,
        env=child_env,
    )
    shown = wait_for(lambda: process.poll() is not None or window_visible(process.pid, title), timeout)
    if not shown or process.poll() is not None:
        stop(process)
        raise AssertionError("%s did not show the window %r within %s s" % (program, title, timeout))
    return process


def stop(process):
    """Ends a process started by start_app and reaps it, closing the pipes
    it was given."""
    if process is None:
        return
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(timeout=5)
    for stream in (process.stdin, process.stdout, process.stderr):
        if stream is not None:
            stream.close()


def process_table():
    """{pid: (parent pid, process group)} of every process, read from /proc."""
    table = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as stat:
                    fields = stat.read().rsplit(")", 1)[1].split()
                table[int(entry)] = (int(fields[1]), int(fields[2]))
            except (OSError, IndexError, ValueError):
                pass
    return table
