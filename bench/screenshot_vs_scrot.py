"""Full-screen screenshot time of tavik-ax against scrot on the same screen.

Both programs run as fresh processes, interleaved (the order alternating),
on a screen with real windows on it (gtk3-demo and the test fixtures); the
medians and their ratio are printed per screen size, with the file sizes.
Runs inside a virtual desktop (DISPLAY set, 1280x1024 from
tools/with-desktop); a second Xvfb of 1920x1080 is started for the larger
screen. Use bench/screenshot_vs_scrot.sh, which sets all this up.

    screenshot_vs_scrot.py BUILD_DIR [RUNS]
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


def measure(tool, display, folder, runs):
    env = dict(os.environ, DISPLAY=display, TMPDIR=folder)
    scrot_file = os.path.join(folder, "scrot.png")
    shots = os.path.join(folder, "tavik-shots")

    def tavik():
        elapsed, output = timed([tool, "screenshot"], env)
        answer = json.loads(output)
        if not answer.get("success"):
            sys.exit("tavik-ax screenshot failed: %r" % answer)
        size = os.path.getsize(answer["path"])
        os.unlink(answer["path"])
        return elapsed, size, answer

    def scrot():
        elapsed, _ = timed(["scrot", "--overwrite", scrot_file], env)
        size = os.path.getsize(scrot_file)
        os.unlink(scrot_file)
        return elapsed, size

    for _ in range(2):  # warm the page cache and the server
        tavik()
        scrot()
    tavik_times, scrot_times = [], []
    for run in range(runs):
        pair = [("tavik", tavik), ("scrot", scrot)]
        if run % 2:
            pair.reverse()
        for name, action in pair:
            result = action()
            (tavik_times if name == "tavik" else scrot_times).append(result[0])
            if name == "tavik":
                tavik_size, answer = result[1], result[2]
            else:
                scrot_size = result[1]
    shutil.rmtree(shots, ignore_errors=True)
    return {
        "screen": "%dx%d" % (answer["width"], answer["height"]),
        "tavik": statistics.median(tavik_times),
        "scrot": statistics.median(scrot_times),
        "tavik_range": (min(tavik_times), max(tavik_times)),
        "scrot_range": (min(scrot_times), max(scrot_times)),
        "tavik_kb": tavik_size / 1024,
        "scrot_kb": scrot_size / 1024,
    }


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 9
    tool = os.path.join(build, "tavik-ax")
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
        results = [measure(tool, display, folder, runs) for display in displays]
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
    print("%-10s %22s %22s %7s %12s %12s" % ("screen", "tavik-ax ms (min-max)", "scrot ms (min-max)", "ratio",
                                             "tavik-ax kB", "scrot kB"))
    worst = 0
    for r in results:
        ratio = r["tavik"] / r["scrot"]
        worst = max(worst, ratio)
        print("%-10s %8.1f (%5.1f-%5.1f) %8.1f (%5.1f-%5.1f) %7.2f %12.0f %12.0f" % (
            r["screen"], r["tavik"], r["tavik_range"][0], r["tavik_range"][1], r["scrot"], r["scrot_range"][0],
            r["scrot_range"][1], ratio, r["tavik_kb"], r["scrot_kb"]))
    print("target: ratio at most %.1f -> %s" % (TARGET_RATIO, "met" if worst <= TARGET_RATIO else "NOT met"))


if __name__ == "__main__":
    main()
