#!/usr/bin/env bash
# Makes docs/screenshot.png: the window in the middle of a check run against qelvo-sim,
# in a private X server.
#
#   tools/screenshot.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."

if [ -z "${QELVO_SCREENSHOT_INNER:-}" ]; then
    export QELVO_SCREENSHOT_INNER=1
    exec timeout 60 xvfb-run -a -s "-screen 0 800x600x24 -nolisten tcp" bash "$0" "$@"
fi

bin=${1:-build}/bin
out=docs/screenshot.png
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

"$bin/qelvo-sim" --scenario all-false=12 --lifetime 50 >"$work/sim.out" &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
port=$(head -n1 "$work/sim.out")

QT_QPA_PLATFORM=xcb "$bin/qelvo" --service "http://127.0.0.1:$port" &
pids+=($!)
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Qelvo' | head -n1)

xdotool mousemove --window "$window" 150 30 click 1
sleep 0.3
xdotool type --delay 20 "session=demo; uid=10086"
xdotool mousemove --window "$window" 72 76 click 1
sleep 4.5  # five of the run's one-second pauses: six lines in the log
mkdir -p docs
import -window "$window" "$out"
xdotool key Escape
echo "wrote $out"
