#!/usr/bin/env bash
# Runs the capture benchmark on a private virtual desktop with real windows
# on screen (the input fixture and, when installed, gtk3-demo), so the
# encoder settings are compared on what screenshots really hold.
#
#   bench/capture_bench.sh [build directory, default build]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
bench="$build/tavik_capture_bench"
fixture="$build/tests/input-fixture/tavik_input_fixture"
[ -x "$bench" ] || { echo "build tavik_capture_bench first" >&2; exit 2; }

exec "$root/tools/with-desktop" bash -c '
    report=$(mktemp)
    [ -x "$2" ] && "$2" "$report" >/dev/null 2>&1 &
    command -v gtk3-demo >/dev/null && gtk3-demo >/dev/null 2>&1 &
    sleep 3
    "$1" --benchmark_counters_tabular=true
    status=$?
    rm -f "$report"
    exit $status
' capture-bench "$bench" "$fixture"
