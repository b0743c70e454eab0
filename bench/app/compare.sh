#!/usr/bin/env bash
# Side-by-side figures for the program, each against its reference, in one private X server:
#   (a) start-up to window shown, program vs a bare Qt window with the same controls (median)
#   (b) peak memory after one check run vs the bare window
#   (c) CPU time during a run with the real one-second pauses, as a share of its wall time
#   (d) a whole all-open run with pauses cut to zero, per request, vs plain WebAccess calls
#
#   bench/app/compare.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/../.."

if [ -z "${QELVO_COMPARE_INNER:-}" ]; then
    export QELVO_COMPARE_INNER=1
    exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$0" "$@"
fi
export QT_QPA_PLATFORM=xcb

bin=$(readlink -f "${1:-build}")/bin
rounds=15
work=$(mktemp -d)
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

field() { awk -v k="$1" '$1 == k { print $2 }'; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# (a) alternate the two so that both see the same machine load.
for _ in $(seq $rounds); do
    for which in app bare; do
        start=$(date +%s%N)
        if [ $which = app ]; then
            shown=$("$bin/qelvo_startup_probe" shown 2>/dev/null | field shown_ns)
        else
            shown=$("$bin/qelvo_bare_window" 2>/dev/null | field shown_ns)
        fi
        echo $(((shown - start) / 1000)) >>"$work/$which.us"
    done
done
app_us=$(median <"$work/app.us")
bare_us=$(median <"$work/bare.us")
echo "(a) start-up to shown: program ${app_us} us, bare window ${bare_us} us (median of $rounds)," \
    "ratio $(ratio "$app_us" "$bare_us") (goal <= 1.2)"

"$bin/qelvo-sim" --scenario all-false=28 --lifetime 120 >"$work/sim.out" &
sim_pid=$!
for _ in $(seq 50); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(head -n1 "$work/sim.out")"

# (b)
app_kb=$("$bin/qelvo_startup_probe" run "$url" 2>/dev/null | field peak_kb)
bare_kb=$("$bin/qelvo_bare_window" 2>/dev/null | field peak_kb)
echo "(b) peak memory: program after one run ${app_kb} kB, bare window ${bare_kb} kB," \
    "ratio $(ratio "$app_kb" "$bare_kb")"

# (c) weekly visits 30 - 28 = 2: 8 views and 9 real pauses
out=$("$bin/qelvo_startup_probe" cpu "$url" 2>/dev/null)
cpu=$(field cpu_ms <<<"$out")
wall=$(field wall_ms <<<"$out")
echo "(c) run with real pauses: cpu ${cpu} ms in ${wall} ms wall," \
    "share $(awk -v c="$cpu" -v w="$wall" 'BEGIN { printf "%.2f%%", 100 * c / w }') (goal <= 1%)"

# (d)
# Repetitions interleaved at random and their median: the machine's load drifts meanwhile.
QT_QPA_PLATFORM=offscreen "$bin/app_bench" --benchmark_format=csv --benchmark_min_time=1 \
    --benchmark_repetitions=7 --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true 2>/dev/null >"$work/bench.csv"
per_request() {  # items_per_second is column 7 of the csv; print microseconds per request
    awk -F, -v n="\"$1/real_time_median\"" '$1 == n { printf "%.1f", 1e6 / $7 }' "$work/bench.csv"
}
run_us=$(per_request BM_CheckRunAllOpen)
plain_us=$(per_request BM_PlainWebAccess)
cpu_per_request() {  # cpu_time (ms per run of 26 requests) is column 4
    awk -F, -v n="\"$1/real_time_median\"" '$1 == n { printf "%.1f", $4 * 1000 / 26 }' "$work/bench.csv"
}
run_cpu=$(cpu_per_request BM_CheckRunAllOpen)
plain_cpu=$(cpu_per_request BM_PlainWebAccess)
echo "(d) per request (median of 7): check run ${run_us} us, plain WebAccess ${plain_us} us," \
    "ratio $(ratio "$run_us" "$plain_us") (goal <= 1.2);" \
    "cpu ${run_cpu} vs ${plain_cpu} us, ratio $(ratio "$run_cpu" "$plain_cpu")"
