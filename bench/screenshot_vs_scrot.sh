#!/usr/bin/env bash
# Full-screen screenshot of tavik-ax against scrot, side by side on the same
# virtual screens (1280x1024 and 1920x1080) with real windows on them;
# prints the medians, the ratio (target at most 0.6) and the file sizes.
#
#   bench/screenshot_vs_scrot.sh [build directory, default build] [runs, default 9] [other build directories...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
runs="${2:-9}"
shift $(( $# > 2 ? 2 : $# ))
[ -x "$build/tavik-ax" ] || { echo "build tavik-ax first" >&2; exit 2; }
if ! command -v scrot >/dev/null; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends scrot >&2
fi
exec "$root/tools/with-desktop" /usr/bin/python3 "$root/bench/screenshot_vs_scrot.py" "$build" "$runs" "$@"
