#!/usr/bin/env bash
# The real program in a real X server: type a cookie, press 检测, and check that the simulated
# service saw the whole run, then leave with Esc.
#
#   smoke.sh QELVO_BINARY QELVO_SIM_BINARY
set -euo pipefail

if [ -z "${QELVO_SMOKE_INNER:-}" ]; then
    export QELVO_SMOKE_INNER=1
    exec timeout 100 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$0" "$@"
fi

qelvo=$1
sim=$2
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "smoke: $*" >&2
    [ -f "$work/requests" ] && sed 's/^/  seen: /' "$work/requests" | cut -c1-140 >&2
    exit 1
}

# Run of 8 views and 9 one-second pauses (weekly visits: 30 - 28 = 2).
"$sim" --scenario all-false=28 --lifetime 90 --record "$work/requests" >"$work/sim.out" &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
port=$(head -n1 "$work/sim.out")
[[ "$port" =~ ^[0-9]+$ ]] || fail "simulator did not report a port"

export QT_QPA_PLATFORM=xcb
"$qelvo" --service "http://127.0.0.1:$port" &
app=$!
pids+=($app)
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Qelvo' | head -n1) ||
    fail "window did not appear"

# Client coordinates: inside 编辑框1 (88,8 264x48), then the middle of 按钮1 (32,64 80x24).
xdotool mousemove --window "$window" 150 30 click 1
sleep 0.3
xdotool type --delay 20 "session=smoke"
xdotool mousemove --window "$window" 72 76 click 1

expected=10  # task list, 8 views, task list
for _ in $(seq 400); do
    [ -f "$work/requests" ] && [ "$(wc -l <"$work/requests")" -ge $expected ] && break
    sleep 0.1
done
[ "$(wc -l <"$work/requests")" -eq $expected ] || fail "expected $expected requests"

# method TAB target TAB user agent TAB cookie TAB ...
i=0
while IFS=$'\t' read -r method target agent cookie _; do
    i=$((i + 1))
    if [ $i -eq 1 ] || [ $i -eq $expected ]; then
        want="POST /api/user/active/taskList"
    else
        want="GET /api/user/active/pv?productCode=v6&pageType=2"
    fi
    [ "$method $target" = "$want" ] || fail "request $i is '$method $target', not '$want'"
    [ "$cookie" = "session=smoke" ] || fail "request $i sent cookie '$cookie'"
    [[ "$agent" == *"Chrome/50.0.2661.87"* ]] || fail "request $i sent agent '$agent'"
done <"$work/requests"

xdotool key Escape  # the window still has the focus from the clicks
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "Esc did not end the program"
wait "$app" || fail "the program exited with status $?"
echo "smoke: ok ($expected requests, clean exit)"
