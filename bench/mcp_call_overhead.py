#!/usr/bin/env python3
"""What a tools/call through tavik-ax-mcp costs over running tavik-ax
directly: the same command (check-permission by default) run N times each
way, one after the other, timed from the request's first byte to the
answer's last (through the server) and from the start of the process to its
exit (directly). A call the server answers itself (a wrong argument, no
child process) shows the protocol's own share.

    bench/mcp_call_overhead.py [build-dir] [--runs N] [--tool NAME --command NAME]

Run it on a desktop (tools/with-desktop bench/mcp_call_overhead.py build)
or without one; both ways the tool answers, from the bus or without it.
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def timed_direct(binary, command, runs):
    # posix_spawn with a pipe, as the server starts each call (subprocess
    # would add Python's own fork and exec work to this side only).
    times = []
    for _ in range(runs):
        started = time.perf_counter()
        reader, writer = os.pipe()
        pid = os.posix_spawn(binary, [binary, command], os.environ,
                             file_actions=[(os.POSIX_SPAWN_OPEN, 0, "/dev/null", os.O_RDONLY, 0),
                                           (os.POSIX_SPAWN_DUP2, writer, 1)])
        os.close(writer)
        while os.read(reader, 65536):
            pass
        os.close(reader)
        os.waitpid(pid, 0)
        times.append(time.perf_counter() - started)
    return times


def timed_server(server, requests, runs):
    process = subprocess.Popen([server], stdin=subprocess.PIPE, stdout=subprocess.PIPE, bufsize=0)
    def ask(message):
        process.stdin.write((json.dumps(message) + "\n").encode())
        return json.loads(process.stdout.readline())
    ask({"jsonrpc": "2.0", "id": 0, "method": "initialize",
         "params": {"protocolVersion": "2025-06-18", "capabilities": {}, "clientInfo": {"name": "bench", "version": "0"}}})
    times = []
    for i in range(runs):
        message = dict(requests, id=i + 1)
        started = time.perf_counter()
        answer = ask(message)
        times.append(time.perf_counter() - started)
        assert "result" in answer, answer
    process.stdin.close()
    process.wait(timeout=10)
    return times


def summary(name, times):
    ms = [t * 1000 for t in times]
    print("%-34s median %7.2f ms  mean %7.2f ms  p90 %7.2f ms" %
          (name, statistics.median(ms), statistics.mean(ms), sorted(ms)[int(len(ms) * 0.9)]))
    return statistics.median(ms)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default=os.path.join(REPO, "build"))
    parser.add_argument("--runs", type=int, default=200)
    parser.add_argument("--tool", default="check_permission")
    parser.add_argument("--command", default="check-permission")
    options = parser.parse_args()
    binary = os.path.join(options.build, "tavik-ax")
    server = os.path.join(options.build, "tavik-ax-mcp")

    # Warm the page cache and the loader for both.
    timed_direct(binary, options.command, 5)
    call = {"jsonrpc": "2.0", "method": "tools/call", "params": {"name": options.tool, "arguments": {}}}
    timed_server(server, call, 5)

    direct = summary("tavik-ax %s (process)" % options.command, timed_direct(binary, options.command, options.runs))
    through = summary("tools/call %s (server)" % options.tool, timed_server(server, call, options.runs))
    refused = {"jsonrpc": "2.0", "method": "tools/call",
               "params": {"name": "click", "arguments": {"pid": "not a number"}}}
    own = summary("tools/call refused argument", timed_server(server, refused, options.runs))
    print("per-call cost of the server: %.2f ms (median through the server minus median direct); "
          "protocol alone %.2f ms" % (through - direct, own))


if __name__ == "__main__":
    sys.exit(main())
