#!/usr/bin/python3
"""Times read-tree and find on real applications side by side with the
floor walk and a pyatspi walk of the same reads, and a full-screen
screenshot against scrot, all in one run on one virtual desktop.

    bench/tree_workloads.py [--runs N] [--baseline BINARY] [--out DIR]

Without a DISPLAY it runs itself under tools/with-desktop. The workloads:
gtk3-demo's main window, and Chromium on a page the benchmark writes (a
table of 150 rows, each with a link, a button and a labelled text input).
Each command runs as a fresh process, N times (default 7), interleaved with
the others; the table gives the median and the range in milliseconds:
  - `tavik-ax read-tree PID 50` and `tavik-ax find PID --role AXNothing`
    (a search that matches nothing, so it visits every element down to its
    depth);
  - the pyatspi walk of bench/atspi_read_tree.py under /usr/bin/python3;
  - tavik_floor_walk over the application's own connection and over the bus
    (--bus-only);
  - `tavik-ax screenshot` against `scrot` on the same screen;
and then the ratios the performance targets name and read-tree's peak
resident memory on the Chromium page.

With --baseline, an older tavik-ax runs read-tree and find in the same
rounds and its output is compared byte for byte with the one under test
(Chromium's tab names carry the browser's memory use, which changes by
itself: that figure is masked on both sides before comparing). Differing
outputs are written to DIR (default: a new temporary folder).

The binary under test is $TAVIK_AX (default build/tavik-ax), the floor walk
$TAVIK_FLOOR (default tavik_floor_walk beside it). Needs gtk-3-examples,
chromium, python3-pyatspi and scrot.
"""

import argparse
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(REPO, "tests", "integration"))
sys.path.insert(0, HERE)

import harness  # noqa: E402
import real_apps  # noqa: E402
from atspi_read_tree import PYATSPI_WALK, count_records  # noqa: E402

ROWS = 150
PAGE_TITLE = "Tavik Bench Table"
RUN_TIMEOUT = 120


def write_page(folder):
    rows = "\n".join(
        '<tr><td>Row %d</td><td><a href="#row%d">Link %d</a></td><td><button>Button %d</button></td>'
        '<td><input aria-label="Note %d" value="Value %d"></td></tr>'
        % ((n,) * 6) for n in range(1, ROWS + 1))
    path = os.path.join(folder, "table.html")
    with open(path, "w") as page:
        page.write('<!doctype html>\n<html><head><meta charset="utf-8"><title>%s</title></head><body>\n'
                   '<h1>%s</h1>\n<table>\n<tr><th>Row</th><th>Link</th><th>Button</th><th>Input</th></tr>\n'
                   '%s\n</table>\n</body></html>\n' % (PAGE_TITLE, PAGE_TITLE, rows))
    return path


class Run:
    """One finished process: wall time, CPU time, output and status."""

    def __init__(self, argv):
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            start = time.perf_counter()
            process = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=out, stderr=err)
            timer = threading.Timer(RUN_TIMEOUT, process.kill)
            timer.start()
            _, status, usage = os.wait4(process.pid, 0)
            self.seconds = time.perf_counter() - start
            timer.cancel()
            process.returncode = os.waitstatus_to_exitcode(status)  # reaped here, not by Popen
            out.seek(0)
            err.seek(0)
            self.stdout, self.stderr = out.read(), err.read()
        self.status = process.returncode
        self.cpu_seconds = usage.ru_utime + usage.ru_stime
        self.argv = argv


def peak_resident_kb(argv, runs=3):
    """The largest peak resident size of the command over a few runs, or None.
    A child's own ru_maxrss counts the pages of the process that forked it
    until it executes (this benchmark's Python, about as large as the tool),
    so the command is started by /usr/bin/time, whose own pages are few."""
    if not os.path.exists("/usr/bin/time"):
        return None
    peak = 0
    for _ in range(runs):
        with tempfile.NamedTemporaryFile() as report:
            subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report.name] + argv, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=RUN_TIMEOUT)
            text = open(report.name).read().split()
            if text and text[-1].isdigit():
                peak = max(peak, int(text[-1]))
    return peak or None


class Command:
    """A command timed in every round, with what each run gave."""

    def __init__(self, workload, label, argv, check=None, after=None):
        self.workload, self.label, self.argv = workload, label, argv
        self.check = check or (lambda run: run.status == 0)
        self.after = after
        self.runs = []

    def run(self):
        run = Run(self.argv)
        if not self.check(run):
            raise SystemExit("%s failed (status %s): %r %r" % (" ".join(self.argv), run.status, run.stdout[:300],
                                                              run.stderr[:300]))
        if self.after:
            self.after(run)
        self.runs.append(run)
        return run

    def median_ms(self):
        return statistics.median(r.seconds for r in self.runs) * 1000.0

    def summary(self):
        times = [r.seconds * 1000.0 for r in self.runs]
        cpu = statistics.median(r.cpu_seconds for r in self.runs) * 1000.0
        return "%7.0f (%4.0f–%4.0f) %7.0f" % (statistics.median(times), min(times), max(times), cpu)


def floor_elements(run):
    hit = re.match(rb"(\d+) elements in [\d.]+ ms over (.*)", run.stdout)
    return (int(hit.group(1)), hit.group(2).decode().strip()) if hit else (None, run.stdout.decode(errors="replace"))


def tree_elements(run):
    try:
        return count_records(json.loads(run.stdout))
    except (ValueError, AttributeError):
        return None


def remove_shot(run):
    try:
        os.unlink(json.loads(run.stdout)["path"])
    except (ValueError, KeyError, OSError):
        pass


# Chromium's tab names end in " - Memory usage - 123 MB", which changes by itself.
MEMORY_FIGURE = re.compile(rb" - Memory usage - [0-9.,]+ ?[KMGT]?B")


def normalised(output):
    return MEMORY_FIGURE.sub(b" - Memory usage - # MB", output)


def first_difference(a, b):
    for at, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return at
    return min(len(a), len(b))


def compare(name, current, baseline, out_dir):
    """Byte-for-byte comparison of the runs of two commands made in the same
    rounds; a line of text saying what was found."""
    raw_same = sum(1 for a, b in zip(current.runs, baseline.runs) if a.stdout == b.stdout)
    same = sum(1 for a, b in zip(current.runs, baseline.runs) if normalised(a.stdout) == normalised(b.stdout))
    # Whether the tool under test gives the same answer in every round: when
    # not, something outside the tool changed between rounds.
    steady = len({normalised(r.stdout) for r in current.runs}) == 1
    total = len(current.runs)
    if same == total:
        masked = "" if raw_same == total else " (after masking the memory figure; raw identical in %d)" % raw_same
        return "%s: identical in %d of %d rounds%s" % (name, same, total, masked)
    os.makedirs(out_dir, exist_ok=True)
    for a, b in zip(current.runs, baseline.runs):
        if normalised(a.stdout) != normalised(b.stdout):
            stem = os.path.join(out_dir, re.sub(r"[^A-Za-z0-9]+", "-", name).strip("-"))
            with open(stem + ".current.json", "wb") as f:
                f.write(a.stdout)
            with open(stem + ".baseline.json", "wb") as f:
                f.write(b.stdout)
            text = normalised(a.stdout)
            at = first_difference(text, normalised(b.stdout))
            # The element the difference is in: the last path opened before it.
            path = re.findall(rb'"path":"([0-9.]*)"', text[:at])
            return ("%s: DIFFERS in %d of %d rounds (the tool under test %s from round to round); first at byte "
                    "%d, in the element at path %s; written to %s.{current,baseline}.json"
                    % (name, total - same, total, "is steady" if steady else "itself varies", at,
                       path[-1].decode() if path else "?", stem))
    return name + ": ?"


def chromium_row(page):
    def command(folder, server):
        return ["chromium", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
                "--disable-component-update", "--disable-sync", "--force-renderer-accessibility",
                "--user-data-dir=" + folder, "file://" + page], {}
    # Ready once pyatspi sees every row's button.
    return real_apps.Application(
        "Chromium", "chromium", command, PAGE_TITLE + " - Chromium", browser=True, depth=80, launch_timeout=90,
        ready=lambda records: len(real_apps.matches(records, "push button")) >= ROWS)


SHOWN = {
    "read-tree": "tavik-ax read-tree PID 50",
    "find": "tavik-ax find PID --role AXNothing",
    "pyatspi": "pyatspi walk, same reads",
    "floor": "floor walk, application's connection",
    "floor-bus": "floor walk, bus only",
    "baseline read-tree": "baseline read-tree PID 50",
    "baseline find": "baseline find PID --role AXNothing",
    "screenshot": "tavik-ax screenshot",
    "scrot": "scrot",
}


def ratio(numerator, denominator):
    return numerator.median_ms() / denominator.median_ms() if numerator and denominator else None


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--baseline", help="an older tavik-ax whose read-tree and find output must not differ")
    parser.add_argument("--out", help="where differing outputs are written")
    args = parser.parse_args()
    if not os.environ.get("DISPLAY"):
        tool = os.path.join(REPO, "tools", "with-desktop")
        os.execv(tool, [tool, "/usr/bin/python3", os.path.abspath(__file__)] + sys.argv[1:])

    binary = os.path.abspath(harness.BINARY)
    floor = os.environ.get("TAVIK_FLOOR") or os.path.join(os.path.dirname(binary), "tavik_floor_walk")
    baseline = os.path.abspath(args.baseline) if args.baseline else None
    for needed in [binary, floor] + ([baseline] if baseline else []):
        if not os.access(needed, os.X_OK):
            raise SystemExit("%s is not built" % needed)
    scrot = shutil.which("scrot")
    if scrot is None:
        print("scrot is not installed (apt-get install scrot): no screenshot comparison")

    folder = tempfile.mkdtemp(prefix="tavik-bench-")
    page = write_page(folder)
    demo = chromium = None
    try:
        demo = harness.start_app(["gtk3-demo"], "Application Class")
        chromium = real_apps.launch(chromium_row(page), None)
        workloads = [("gtk3-demo", demo.pid), ("Chromium", chromium.pid)]
        if chromium.index != 0:
            print("note: the page's window is Chromium's window %d, the floor walk reads window 0" % chromium.index)

        commands = []
        for workload, pid in workloads:
            pid = str(pid)
            commands += [
                Command(workload, "read-tree", [binary, "read-tree", pid, "50"]),
                Command(workload, "find", [binary, "find", pid, "--role", "AXNothing"]),
                Command(workload, "pyatspi", ["/usr/bin/python3", "-c", PYATSPI_WALK, pid]),
                Command(workload, "floor", [floor, pid]),
                Command(workload, "floor-bus", [floor, pid, "--bus-only"]),
            ]
            if baseline:
                commands += [
                    Command(workload, "baseline read-tree", [baseline, "read-tree", pid, "50"]),
                    Command(workload, "baseline find", [baseline, "find", pid, "--role", "AXNothing"]),
                ]
        shot_dir = os.path.join(folder, "scrot")
        os.makedirs(shot_dir)
        commands.append(Command("screen", "screenshot", [binary, "screenshot"],
                                check=lambda run: run.status == 0 and b'"success":true' in run.stdout,
                                after=remove_shot))
        if scrot:
            commands.append(Command("screen", "scrot", [scrot, "--overwrite", os.path.join(shot_dir, "shot.png")]))

        for command in commands:  # a first run of each, untimed: caches and lazily built trees
            command.run()
            command.runs.clear()
        load_before = os.getloadavg()[0]
        for _ in range(args.runs):
            for command in commands:
                command.run()

        found = {(c.workload, c.label): c for c in commands}
        print("%d fresh processes each, interleaved, on one virtual desktop (load average %.1f before, %.1f after)."
              % (args.runs, load_before, os.getloadavg()[0]))
        print("Wall: median (min–max) ms; CPU: median ms of the process's own work, which the load barely moves.")
        print("\n  %-40s %18s %7s" % ("", "wall", "CPU"))
        for workload, _ in workloads:
            tree = found[(workload, "read-tree")]
            print("\n%s: read-tree %s elements, pyatspi walk %s, floor walk %s"
                  % (workload, tree_elements(tree.runs[-1]),
                     found[(workload, "pyatspi")].runs[-1].stdout.decode().strip(),
                     "%s over %s" % floor_elements(found[(workload, "floor")].runs[-1])))
            for c in commands:
                if c.workload == workload:
                    print("  %-40s %s" % (SHOWN.get(c.label, c.label), c.summary()))
        print("\nscreen:")
        for c in commands:
            if c.workload == "screen":
                print("  %-40s %s" % (SHOWN.get(c.label, c.label), c.summary()))

        def row(text, value, target, good):
            shown = "—" if value is None else "%.2f" % value
            verdict = "" if value is None or not target else ("met" if good(value) else "NOT met")
            print("  %-50s %6s   %-9s %s" % (text, shown, target, verdict))

        print("\nRatios of medians:%s target" % (" " * 44))
        for workload, _ in workloads:
            tree = found[(workload, "read-tree")]
            row("%s read-tree / floor" % workload, ratio(tree, found[(workload, "floor")]), "<= 1.2",
                lambda v: v <= 1.2)
            row("%s read-tree / floor over the bus" % workload, ratio(tree, found[(workload, "floor-bus")]), "",
                None)
            row("%s pyatspi / read-tree" % workload, ratio(found[(workload, "pyatspi")], tree), ">= 3",
                lambda v: v >= 3)
            row("%s find / read-tree" % workload, ratio(found[(workload, "find")], tree),
                "<= 0.7" if workload == "Chromium" else "", lambda v: v <= 0.7)
        row("screenshot / scrot", ratio(found[("screen", "screenshot")], found.get(("screen", "scrot"))), "<= 0.6",
            lambda v: v <= 0.6)
        peak_kb = peak_resident_kb(found[("Chromium", "read-tree")].argv)
        peak = None if peak_kb is None else peak_kb / 1024.0
        row("peak resident MB, read-tree of the Chromium page", peak, "< 30", lambda v: v < 30)

        if baseline:
            out_dir = args.out or tempfile.mkdtemp(prefix="tavik-bench-diff-")
            print("\nOutput against %s:" % baseline)
            for workload, _ in workloads:
                for label in ("read-tree", "find"):
                    print("  " + compare("%s %s" % (workload, label), found[(workload, label)],
                                         found[(workload, "baseline " + label)], out_dir))
    finally:
        if chromium is not None:
            chromium.stop()
        harness.stop(demo)
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
