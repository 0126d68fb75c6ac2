#!/usr/bin/python3
"""What an agent reads: the characters of `read-tree` and of `snapshot` for
each application of the integration tests' table (tests/integration/
real_apps.py), and how many of the elements it can act on appear in each.

    bench/snapshot_economy.py [--only NAME ...]

Without a DISPLAY it runs itself under tools/with-desktop. For each row it
launches the application as the integration tests do, then:
  - reads the whole tree with pyatspi (atspi_reference.py, 200 levels) and
    takes its depth, the levels below the window that reach every element;
  - runs `tavik-ax read-tree PID DEPTH WINDOW` and `tavik-ax snapshot PID
    --window WINDOW --depth DEPTH` and counts the characters each prints;
  - counts the elements to act on, as pyatspi sees them: on view (SHOWING,
    or VISIBLE for GTK 4) with an action or an editable text; and how many
    of them appear (by path) in read-tree's records and in the snapshot's
    lines. The snapshot must hold every one.
The table is printed as Markdown. The binary is $TAVIK_AX (default
build/tavik-ax). Needs the applications of the table and python3-pyatspi;
a missing one is reported and skipped.
"""

import argparse
import json
import os
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(REPO, "tests", "integration"))

import harness  # noqa: E402
import real_apps  # noqa: E402

DEEPEST = 200


def run(args):
    """The tool's printed text (without its line feed), or None when it failed."""
    code, out, _ = harness.run_tool(args, timeout=120)
    return out.rstrip("\n") if code == 0 else None


def depth_of(tree):
    """Levels below the window of the deepest record of a nested tree."""
    return max(record["path"].count(".") for record in real_apps.flatten(tree))


def measure(row, server):
    running = real_apps.launch(row, server)
    try:
        reference = real_apps.reference_tree(running.pid, running.index, DEEPEST)
        if reference is None:
            return None
        depth = depth_of(reference)
        tree_text = run(["read-tree", running.pid, depth, running.index])
        snapshot_text = run(["snapshot", running.pid, "--window", running.index, "--depth", max(depth, 1)])
        if tree_text is None or snapshot_text is None:
            return None
        records = real_apps.flatten(reference)
        wanted = {r["path"] for r in real_apps.to_act_on(records, row.shown_state)}
        in_tree = wanted & set(real_apps.tree_paths(json.loads(tree_text)))
        outline = json.loads(snapshot_text)["snapshot"]
        in_snapshot = wanted & set(real_apps.snapshot_paths(outline))
        return {
            "depth": depth,
            "elements": len(records),
            "tree": len(tree_text),
            "snapshot": len(snapshot_text),
            "lines": outline.count("\n") + 1,
            "wanted": len(wanted),
            "in_tree": len(in_tree),
            "in_snapshot": len(in_snapshot),
            "missing": sorted(wanted - in_snapshot)[:5],
        }
    finally:
        running.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--only", nargs="*", help="the rows to measure, by name (default: every row)")
    options = parser.parse_args()
    if not os.environ.get("DISPLAY"):
        tool = os.path.join(REPO, "tools", "with-desktop")
        os.execv(tool, [tool, "/usr/bin/python3", os.path.abspath(__file__)] + sys.argv[1:])

    print("| application | depth | elements (pyatspi) | read-tree characters | snapshot characters | snapshot lines "
          "| share | to act on | in read-tree | in snapshot |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    for row in real_apps.TABLE:
        if options.only and row.name not in options.only:
            continue
        server = real_apps.PageServer() if row.browser else None
        try:
            found = measure(row, server)
        except (unittest.SkipTest, AssertionError, subprocess.TimeoutExpired) as reason:
            print("| %s | not measured: %s |" % (row.name, str(reason).replace("|", "/")))
            continue
        finally:
            if server is not None:
                server.close()
        if found is None:
            print("| %s | not measured: a read failed |" % row.name)
            continue
        print("| %s | %d | %d | %d | %d | %d | %.1f%% | %d | %d | %d%s |" % (
            row.name, found["depth"], found["elements"], found["tree"], found["snapshot"], found["lines"],
            100.0 * found["snapshot"] / found["tree"], found["wanted"], found["in_tree"], found["in_snapshot"],
            " (missing %s)" % found["missing"] if found["missing"] else ""), flush=True)


if __name__ == "__main__":
    main()
