#!/usr/bin/env bash
# One command for a newcomer: installs what is missing, builds in build/, and tests or runs.
#
#   ./dev.sh test       set up, build, run the whole suite (CTest)
#   ./dev.sh sanitize   the same with AddressSanitizer + UndefinedBehaviorSanitizer (build-asan/)
#   ./dev.sh bench      set up, build, run every benchmark
#   ./dev.sh run        set up, build, open the window against the real service
#   ./dev.sh demo       the same against a local qelvo-sim (any cookie with "session=" works)
#
# Run as root on a fresh Debian 12 machine and it installs the packages it needs; otherwise it
# prints the one apt-get line to run and stops.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"

PACKAGES=(
    cmake ninja-build g++ pkgconf
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-declarative-dev libqt6opengl6-dev
    libcurl4-openssl-dev libcpp-httplib-dev libssl-dev openssl
    tinyproxy microsocks
    xvfb xauth xdotool x11-apps imagemagick fonts-wqy-microhei
)

ensure_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages. Run:" >&2
        echo "  sudo apt-get update && sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build DIR [cmake options...]: configure once, then build incrementally.
build() {
    local dir=$1
    shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    fi
    cmake --build "$dir" --parallel "$(nproc)"
}

# Widgets never need a display in tests; the one real-window test starts its own Xvfb.
run_tests() {
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$1" --output-on-failure --parallel "$(nproc)" \
        --timeout 300
}

cmd=${1:-}
case "$cmd" in
    test)
        ensure_packages
        build build
        run_tests build
        ;;
    sanitize)
        ensure_packages
        build build-asan -DQELVO_SANITIZE=ON
        ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1 \
            UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
            LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
            run_tests build-asan
        ;;
    bench)
        ensure_packages
        build build
        for b in build/bin/*_bench; do
            echo "== $b"
            "$b" --benchmark_min_time=0.2
        done
        echo "== bench/app/compare.sh"
        bash bench/app/compare.sh build
        ;;
    run)
        ensure_packages
        build build
        shift
        exec build/bin/qelvo "$@"
        ;;
    demo)
        ensure_packages
        build build
        sim_out=$(mktemp)
        build/bin/qelvo-sim --lifetime 86400 >"$sim_out" &
        sim_pid=$!
        trap 'kill "$sim_pid" 2>/dev/null || true; rm -f "$sim_out"' EXIT
        for _ in $(seq 50); do [ -s "$sim_out" ] && break; sleep 0.1; done
        port=$(head -n1 "$sim_out")
        echo "qelvo-sim on http://127.0.0.1:$port; paste e.g. session=demo and press 检测"
        build/bin/qelvo --service "http://127.0.0.1:$port"
        ;;
    *)
        sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'
        exit 2
        ;;
esac
