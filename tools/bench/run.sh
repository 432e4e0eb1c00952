#!/usr/bin/env bash
# Benchmarks the program against a bare Qt window showing the same picture, and the GTK program
# against a bare GTK 3 window, under one Xvfb; then the disc image read as an optical drive reads it
# (drive.sh, DRIVE_RUNS runs, default 3); then the Windows program against a bare Win32 window under
# Wine (wine.sh).
# Usage: tools/bench/run.sh [runs]   (default 15). Prints figures; judges nothing.
# The image needs root and /dev/fuse; SKIP_DRIVE=1 leaves out the drive, SKIP_WINE=1 the Windows part.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
runs=${1:-15}

# The driver's and the shim's headers besides the common set.
scripts/setup.sh libx11-dev libxtst-dev libxext-dev libxcb1-dev libxcb-shm0-dev valgrind

cmake --preset linux >/dev/null
cmake --build --preset linux --target autorun autorun_gtk_program disc autorun_layout e2e_close_window >/dev/null
cmake -S tools/bench -B build/bench -G Ninja >/dev/null
cmake --build build/bench >/dev/null

source scripts/x11.sh
load_layout build/linux/tools/layout/autorun_layout
tmp=$(mktemp -d)
trap cleanup EXIT
start_xvfb "$tmp" || exit 1

# The program on the system's Qt, on a copy of the disc without the bundle: the bare window's
# yardstick compares programs on the same Qt.
system_disc=$tmp/system-disc
cp -R build/linux/disc "$system_disc"
rm -rf "$system_disc/autorun-linux"
cp build/linux/platform/qt/autorun "$system_disc/autorun"
cp build/linux/platform/gtk/autorun-gtk "$system_disc/autorun-gtk"

echo "Qt $(pkg-config --modversion Qt6Core 2>/dev/null || echo 6), $(nproc) CPUs, Xvfb 1280x1024x24 on $DISPLAY, no window manager"
centre_of lblBtnText_0
build/bench/bench_driver --runs "$runs" \
    --shim "$repo/build/bench/libbench_shim.so" \
    --bare "$repo/build/bench/bare/bare" \
    --program "$system_disc/autorun" \
    --disc "$system_disc" \
    --online-doc "$cx,$cy" \
    --work "$tmp"

echo
echo "GTK $(pkg-config --modversion gtk+-3.0), the same Xvfb; the GTK program on the same copy of the disc"
build/bench/bench_driver --runs "$runs" \
    --shim "$repo/build/bench/libbench_shim.so" \
    --bare "$repo/build/bench/bare-gtk/bare-gtk" \
    --program "$system_disc/autorun-gtk" \
    --disc "$system_disc" \
    --online-doc "$cx,$cy" \
    --names "bare GTK window|autorun-gtk" \
    --work "$tmp"

# Wall-clock times on a shared machine wander by several milliseconds; instruction counts do not.
# The first GTK program on an X server probes its GL visuals and leaves them on the root window
# (GDK_VISUALS) for the rest, as on a desktop: the driver's runs above have done it.
echo
echo "Instructions from exec until the window is painted and the program idles (callgrind, repeatable):"
count_instructions() {
    (cd "$system_disc" && QT_QPA_PLATFORM=xcb timeout -s INT 12 \
        valgrind --tool=callgrind --callgrind-out-file="$tmp/callgrind.$1" "$2" >/dev/null 2>&1) || true
    sed -n 's/^summary: *//p' "$tmp/callgrind.$1"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a > 0 && b > 0) printf "%.3f", a / b; else print "-" }'; }
bare_count=$(count_instructions bare "$repo/build/bench/bare/bare")
program_count=$(count_instructions autorun "$system_disc/autorun")
bare_gtk_count=$(count_instructions bare-gtk "$repo/build/bench/bare-gtk/bare-gtk")
gtk_count=$(count_instructions autorun-gtk "$system_disc/autorun-gtk")
printf '  bare Qt window  %12s\n  autorun         %12s\n  ratio           %12s\n' "$bare_count" "$program_count" \
    "$(ratio "$program_count" "$bare_count")"
printf '  bare GTK window %12s\n  autorun-gtk     %12s\n  ratio           %12s\n' "$bare_gtk_count" "$gtk_count" \
    "$(ratio "$gtk_count" "$bare_gtk_count")"

echo
# The disc from a drive, which the program on this machine's Qt above says nothing about.
if [ -n "${SKIP_DRIVE:-}" ]; then
    :
elif [ "$(id -u)" -ne 0 ] || [ ! -c /dev/fuse ]; then
    echo "The disc image from a drive: skipped, as mounting it through FUSE and dropping the page cache need root and /dev/fuse."
else
    tools/bench/drive.sh "${DRIVE_RUNS:-3}"
fi

echo
[ -n "${SKIP_WINE:-}" ] || tools/bench/wine.sh "$runs"
