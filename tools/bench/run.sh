#!/usr/bin/env bash
# Benchmarks the program against a bare Qt window showing the same picture, under one Xvfb; the
# disc's bundled program from the mounted image against the same program on the system's Qt, and
# what it reads from the image with a cold cache; then the Windows program against a bare Win32
# window under Wine (wine.sh).
# Usage: tools/bench/run.sh [runs]   (default 15). Prints figures; judges nothing.
# The image needs root and /dev/fuse; SKIP_WINE=1 leaves out the Windows part.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
runs=${1:-15}

# The driver's and the shim's headers besides the common set.
scripts/setup.sh libx11-dev libxtst-dev libxext-dev libxcb1-dev libxcb-shm0-dev valgrind

cmake --preset linux >/dev/null
cmake --build --preset linux --target autorun disc disc-image autorun_layout e2e_close_window >/dev/null
cmake -S tools/bench -B build/bench -G Ninja >/dev/null
cmake --build build/bench >/dev/null

source scripts/x11.sh
load_layout build/linux/tools/layout/autorun_layout
tmp=$(mktemp -d)
mnt=$tmp/mnt
restore_readahead=()
unmount() {
    [ ${#restore_readahead[@]} -eq 0 ] || echo "${restore_readahead[0]}" >"${restore_readahead[1]}"
    ! mountpoint -q "$mnt" 2>/dev/null || fusermount -u "$mnt"
    cleanup
}
trap unmount EXIT
start_xvfb "$tmp" || exit 1

# The program on the system's Qt, on a copy of the disc without the bundle: the bare window's
# yardstick compares programs on the same Qt.
system_disc=$tmp/system-disc
cp -R build/linux/disc "$system_disc"
rm -rf "$system_disc/autorun-linux"
cp build/linux/platform/qt/autorun "$system_disc/autorun"

echo "Qt $(pkg-config --modversion Qt6Core 2>/dev/null || echo 6), $(nproc) CPUs, Xvfb 1280x1024x24 on $DISPLAY, no window manager"
centre_of lblBtnText_0
build/bench/bench_driver --runs "$runs" \
    --shim "$repo/build/bench/libbench_shim.so" \
    --bare "$repo/build/bench/bare/bare" \
    --program "$system_disc/autorun" \
    --disc "$system_disc" \
    --online-doc "$cx,$cy" \
    --work "$tmp"

# Wall-clock times on a shared machine wander by several milliseconds; instruction counts do not.
echo
echo "Instructions from exec until the window is painted and the program idles (callgrind, repeatable):"
count_instructions() {
    (cd "$system_disc" && QT_QPA_PLATFORM=xcb timeout -s INT 12 \
        valgrind --tool=callgrind --callgrind-out-file="$tmp/callgrind.$1" "$2" >/dev/null 2>&1) || true
    sed -n 's/^summary: *//p' "$tmp/callgrind.$1"
}
bare_count=$(count_instructions bare "$repo/build/bench/bare/bare")
program_count=$(count_instructions autorun "$system_disc/autorun")
printf '  bare Qt window %12s\n  autorun        %12s\n  ratio          %12s\n' "$bare_count" "$program_count" \
    "$(awk -v a="$program_count" -v b="$bare_count" 'BEGIN { if (b > 0) printf "%.3f", a / b; else print "-" }')"

echo
image=$repo/build/linux/disc.iso
if [ "$(id -u)" -ne 0 ] || [ ! -c /dev/fuse ] || ! command -v fuseiso >/dev/null; then
    echo "The disc image: skipped, as mounting it through FUSE and dropping the page cache need root and /dev/fuse."
else
    mkdir "$mnt"
    # kernel_cache keeps the files' pages between starts, as the kernel's own ISO 9660 driver does;
    # without it FUSE drops them at every open, and each warm start would read the disc again.
    fuseiso -n "$image" "$mnt" -o ro,allow_other,kernel_cache
    echo "The disc's bundled program, started from the image mounted through FUSE ($(du -h "$image" | cut -f1)):"
    build/bench/bench_driver --runs "$runs" \
        --shim "$repo/build/bench/libbench_shim.so" \
        --bare "$system_disc/autorun" \
        --program "$mnt/autorun" \
        --disc "$mnt" \
        --online-doc "$cx,$cy" \
        --names "system Qt, disc copy|bundled, from the image" \
        --paint-target "ratio <= 1.10" \
        --work "$tmp"

    # A drive reads a few MB a second: what the launcher reads from a cold disc is its start-up time.
    # The kernel reads ahead of what is asked, by as much as the image's own disk is set to; an
    # optical drive's usual setting is 128 KB, so the figure is taken with both where it can be.
    title="VELMO Developers Kit v7.03"
    device=$(basename "$(readlink -f "$(findmnt -n -o SOURCE -T "$image")")")
    queue=/sys/class/block/$device/queue
    [ -d "$queue" ] || queue=/sys/class/block/$device/../queue
    disk_readahead=$(cat "$queue/read_ahead_kb" 2>/dev/null || echo "")
    cold_reads() {
        local run read_bytes
        # Mounted afresh: the image file keeps the readahead in force when fuseiso opened it.
        fusermount -u "$mnt"
        fuseiso -n "$image" "$mnt" -o ro,allow_other,kernel_cache
        for run in 1 2 3; do
            sync
            echo 3 >/proc/sys/vm/drop_caches
            (cd / && QT_QPA_PLATFORM=xcb exec "$mnt/autorun") >/dev/null 2>&1 &
            app_pid=$!
            wait_for "the launcher's window" 30 window_shown "$title"
            launcher=$(visible_window "$title")
            wait_for "the launcher to paint" 30 painted "$launcher"
            read_bytes=$(fincore --bytes --noheadings --output RES "$image")
            close_program build/linux/tests/e2e_close_window "$launcher" "$app_pid" || true
            app_pid=""
            printf ' %6.1f' "$(awk -v b="$read_bytes" 'BEGIN { print b / 1e6 }')"
        done
        echo " MB (aim: 15 MB or less)"
    }
    echo
    echo "Read from the image until the launcher's window is painted, page cache dropped first (fincore), 3 runs:"
    printf '  readahead %s KB (this disk):   ' "${disk_readahead:-?}"
    cold_reads
    if [ -n "$disk_readahead" ] && [ "$disk_readahead" != 128 ] && echo 128 >"$queue/read_ahead_kb" 2>/dev/null; then
        restore_readahead=("$disk_readahead" "$queue/read_ahead_kb")
        printf '  readahead 128 KB (a CD drive):  '
        cold_reads
        echo "$disk_readahead" >"$queue/read_ahead_kb"
        restore_readahead=()
    fi
fi

echo
[ -n "${SKIP_WINE:-}" ] || tools/bench/wine.sh "$runs"
