#!/usr/bin/python3
"""Times the AT-SPI2 backend on a virtual desktop, side by side with a
pyatspi walk that reads the same attributes of the same elements.

    bench/atspi_read_tree.py [runs]

Without a DISPLAY it runs itself under tools/with-desktop. It starts
gtk3-demo, then times, each as a fresh process (median of the runs):
  - `tavik-ax read-tree PID 50` on gtk3-demo's main window, against a
    pyatspi walk of that window (role, states, name, description, localized
    role name, labelled-by name, text or value, screen extents, actions,
    children) under /usr/bin/python3;
  - `tavik-ax list-windows`, against a bare process start (/bin/true).
The binary is $TAVIK_AX (default build/tavik-ax). Needs gtk-3-examples and
python3-pyatspi.
"""

import json
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(REPO, "tests", "integration"))

import harness  # noqa: E402

PYATSPI_WALK = r"""
import sys, pyatspi
pid = int(sys.argv[1])

def read(element):
    count = 1
    role = element.getRole()
    states = element.getState()
    name = element.name
    description = element.description
    localized = element.getLocalizedRoleName()
    label = None
    for relation in element.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY and relation.getNTargets() > 0:
            label = relation.getTarget(0).name
            break
    interfaces = element.get_interfaces()
    value = None
    if "Text" in interfaces:
        value = element.queryText().getText(0, -1)
    elif "Value" in interfaces:
        value = element.queryValue().currentValue
    if "Component" in interfaces and states.contains(pyatspi.STATE_SHOWING):
        extents = element.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    if "Action" in interfaces:
        action = element.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
    for i in range(element.childCount):
        child = element.getChildAtIndex(i)
        if child is not None:
            count += read(child)
    return count

for app in pyatspi.Registry.getDesktop(0):
    if app is not None and app.get_process_id() == pid:
        print(read(app.getChildAtIndex(0)))
        break
"""


def timed(argv):
    start = time.perf_counter()
    completed = subprocess.run(argv, stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
    elapsed = time.perf_counter() - start
    if completed.returncode != 0:
        raise SystemExit("%s failed: %s %s" % (argv, completed.stdout[:200], completed.stderr[:200]))
    return elapsed, completed.stdout


def median_ms(argv, runs):
    times = [timed(argv)[0] for _ in range(runs)]
    return statistics.median(times) * 1000.0


def count_records(record):
    return 1 + sum(count_records(child) for child in record.get("children", []))


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    if not os.environ.get("DISPLAY"):
        tool = os.path.join(REPO, "tools", "with-desktop")
        os.execv(tool, [tool, "/usr/bin/python3", os.path.abspath(__file__), str(runs)])

    demo = harness.start_app(["gtk3-demo"], "Application Class")
    try:
        pid = demo.pid
        _, out = timed([harness.BINARY, "read-tree", str(pid), "50"])
        tool_count = count_records(json.loads(out))
        _, out = timed(["/usr/bin/python3", "-c", PYATSPI_WALK, str(pid)])
        walk_count = int(out.decode().strip() or 0)

        rows = [
            ("tavik-ax read-tree PID 50 (%d elements)" % tool_count,
             median_ms([harness.BINARY, "read-tree", str(pid), "50"], runs)),
            ("pyatspi walk, same attributes (%d elements)" % walk_count,
             median_ms(["/usr/bin/python3", "-c", PYATSPI_WALK, str(pid)], runs)),
            ("tavik-ax list-windows", median_ms([harness.BINARY, "list-windows"], runs)),
            ("/bin/true (bare process start)", median_ms(["/bin/true"], runs)),
        ]
        print("gtk3-demo main window, median of %d runs each" % runs)
        for label, ms in rows:
            print("  %-50s %8.1f ms" % (label, ms))
    finally:
        harness.stop(demo)


if __name__ == "__main__":
    main()
