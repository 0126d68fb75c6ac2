"""Full-screen screenshot time of tavik-ax against scrot on the same screen.

Both programs run as fresh processes, interleaved (the order alternating),
on a screen with real windows on it (gtk3-demo and the test fixtures); the
medians and their ratio are printed per screen size, with the file sizes.
Runs inside a virtual desktop (DISPLAY set, 1280x1024 from
tools/with-desktop); a second Xvfb of 1920x1080 is started for the larger
screen. Use bench/screenshot_vs_scrot.sh, which sets all this up.

    screenshot_vs_scrot.py BUILD_DIR [RUNS] [OTHER_BUILD_DIR...]

Other build directories (an earlier version, say) are timed in the same
turns, so a before/after comparison comes from one run.
"""

import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

TARGET_RATIO = 0.6


def start_server(size):
    """An extra Xvfb of the given size; returns (process, display name)."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", size + "x24", "-nolisten", "tcp", "-noreset"],
        pass_fds=(write_end,),
        stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL,
    )
    os.close(write_end)
    with os.fdopen(read_end) as reader:
        number = reader.readline().strip()
    if not number:
        server.kill()
        sys.exit("Xvfb %s did not start" % size)
    return server, ":" + number


def start_windows(build, display, folder):
    """The windows that make the screen worth capturing; returns the processes."""
    env = dict(os.environ, DISPLAY=display, GDK_BACKEND="x11")
    programs = []
    if display != os.environ.get("DISPLAY") and shutil.which("openbox"):
        programs.append(["openbox", "--sm-disable"])
    programs.append([os.path.join(build, "tests", "fixture", "tavik_fixture")])
    programs.append([os.path.join(build, "tests", "input-fixture", "tavik_input_fixture"),
                     os.path.join(folder, "input-report-%s.json" % display.strip(":"))])
    if shutil.which("gtk3-demo"):
        programs.append(["gtk3-demo"])
    started = []
    for argv in programs:
        if os.path.sep in argv[0] and not os.access(argv[0], os.X_OK):
            print("note: %s is not built, its window is missing" % argv[0])
            continue
        started.append(subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    return started


def timed(argv, env):
    """Wall time of one fresh process in ms, and its standard output."""
    begin = time.perf_counter()
    done = subprocess.run(argv, env=env, stdin=subprocess.DEVNULL, capture_output=True)
    elapsed = (time.perf_counter() - begin) * 1000
    if done.returncode != 0 or done.stderr:
        sys.exit("%s failed (%d): %r %r" % (argv[0], done.returncode, done.stdout, done.stderr))
    return elapsed, done.stdout


def measure(tools, display, folder, runs):
    """Medians of each tavik-ax build and of scrot, run in turns."""
    env = dict(os.environ, DISPLAY=display, TMPDIR=folder)
    scrot_file = os.path.join(folder, "scrot.png")

    def tavik(tool):
        elapsed, output = timed([tool, "screenshot"], env)
        answer = json.loads(output)
        if not answer.get("success"):
            sys.exit("tavik-ax screenshot failed: %r" % answer)
        size = os.path.getsize(answer["path"])
        os.unlink(answer["path"])
        return elapsed, size, "%dx%d" % (answer["width"], answer["height"])

    def scrot():
        elapsed, _ = timed(["scrot", "--overwrite", scrot_file], env)
        size = os.path.getsize(scrot_file)
        os.unlink(scrot_file)
        return elapsed, size, None

    contestants = [(tool, lambda tool=tool: tavik(tool)) for tool in tools] + [("scrot", scrot)]
    for _ in range(2):  # warm the page cache and the server
        for _, action in contestants:
            action()
    times = {name: [] for name, _ in contestants}
    sizes = {}
    screen = None
    for run in range(runs):
        # Each run starts with the next contestant, so none always goes first.
        shift = run % len(contestants)
        for name, action in contestants[shift:] + contestants[:shift]:
            elapsed, size, shown = action()
            times[name].append(elapsed)
            sizes[name] = size
            screen = shown or screen
    shutil.rmtree(os.path.join(folder, "tavik-shots"), ignore_errors=True)
    return screen, {name: (statistics.median(t), min(t), max(t), sizes[name] / 1024) for name, t in times.items()}


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 9
    # Further build directories (an earlier version, say) run in the same turns.
    tools = [os.path.join(os.path.abspath(other), "tavik-ax") for other in [build] + sys.argv[3:]]
    for tool in tools:
        if not os.access(tool, os.X_OK):
            sys.exit("build tavik-ax first: %s" % tool)
    if not shutil.which("scrot"):
        sys.exit("scrot is not installed (apt-get install scrot)")
    if not os.environ.get("DISPLAY"):
        sys.exit("no display: run through bench/screenshot_vs_scrot.sh")

    folder = tempfile.mkdtemp(prefix="tavik-shot-bench-")
    processes = []
    try:
        server, large = start_server("1920x1080")
        processes.append(server)
        displays = [os.environ["DISPLAY"], large]
        for display in displays:
            processes += start_windows(build, display, folder)
        time.sleep(4)  # the windows map and draw
        results = [measure(tools, display, folder, runs) for display in displays]
    finally:
        for process in reversed(processes):
            process.terminate()
        for process in processes:
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
        shutil.rmtree(folder, ignore_errors=True)

    print("full-screen screenshot, medians of %d fresh processes each, interleaved" % runs)
    print("%-10s %-40s %22s %7s %9s" % ("screen", "program", "ms median (min-max)", "ratio", "file kB"))
    worst = 0
    for screen, table in results:
        scrot_median = table["scrot"][0]
        for name, (median, low, high, kb) in table.items():
            ratio = median / scrot_median
            if name == tools[0]:
                worst = max(worst, ratio)
            label = "scrot" if name == "scrot" else "tavik-ax " + os.path.dirname(name)
            print("%-10s %-40s %8.1f (%5.1f-%5.1f) %7.2f %9.0f" % (screen, label, median, low, high, ratio, kb))
    print("target for %s: ratio at most %.1f -> %s" % (tools[0], TARGET_RATIO, "met" if worst <= TARGET_RATIO else "NOT met"))


if __name__ == "__main__":
    main()
