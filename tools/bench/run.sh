#!/usr/bin/env bash
# Benchmarks the program against a bare Qt window showing the same picture, under one Xvfb;
# then the Windows program against a bare Win32 window under Wine (wine.sh).
# Usage: tools/bench/run.sh [runs]   (default 15). Prints figures; judges nothing.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
runs=${1:-15}

# The driver's and the shim's headers besides the common set.
scripts/setup.sh libx11-dev libxtst-dev libxext-dev libxcb1-dev libxcb-shm0-dev valgrind

cmake --preset linux >/dev/null
cmake --build --preset linux --target autorun disc autorun_layout >/dev/null
cmake -S tools/bench -B build/bench -G Ninja >/dev/null
cmake --build build/bench >/dev/null

source scripts/x11.sh
load_layout build/linux/tools/layout/autorun_layout
tmp=$(mktemp -d)
trap cleanup EXIT
start_xvfb "$tmp" || exit 1

echo "Qt $(pkg-config --modversion Qt6Core 2>/dev/null || echo 6), $(nproc) CPUs, Xvfb 1280x1024x24 on $DISPLAY, no window manager"
centre_of lblBtnText_0
build/bench/bench_driver --runs "$runs" \
    --shim "$repo/build/bench/libbench_shim.so" \
    --bare "$repo/build/bench/bare/bare" \
    --program "$repo/build/linux/disc/autorun" \
    --disc "$repo/build/linux/disc" \
    --online-doc "$cx,$cy" \
    --work "$tmp"

# Wall-clock times on a shared machine wander by several milliseconds; instruction counts do not.
echo
echo "Instructions from exec until the window is painted and the program idles (callgrind, repeatable):"
count_instructions() {
    (cd build/linux/disc && QT_QPA_PLATFORM=xcb timeout -s INT 12 \
        valgrind --tool=callgrind --callgrind-out-file="$tmp/callgrind.$1" "$2" >/dev/null 2>&1) || true
    sed -n 's/^summary: *//p' "$tmp/callgrind.$1"
}
bare_count=$(count_instructions bare "$repo/build/bench/bare/bare")
program_count=$(count_instructions autorun "$repo/build/linux/disc/autorun")
printf '  bare Qt window %12s\n  autorun        %12s\n  ratio          %12s\n' "$bare_count" "$program_count" \
    "$(awk -v a="$program_count" -v b="$bare_count" 'BEGIN { if (b > 0) printf "%.3f", a / b; else print "-" }')"

echo
tools/bench/wine.sh "$runs"
