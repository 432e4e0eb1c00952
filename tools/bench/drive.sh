#!/usr/bin/env bash
# The Linux launcher started from the disc image as an optical drive reads it: the image is mounted
# through FUSE with the drive model (drive/throttle.c) preloaded into fuseiso, the page cache dropped
# before each start, and /autorun started until the launcher's first paint. For a 24x CD and a 16x
# DVD, on a desktop with Qt 6 and on one without (the system's Qt hidden in a private mount
# namespace, and its GTK 3 in both): the first start of a session, and a second one, with the page
# cache dropped and as it is within a session; beside a warm start of the disc copied to a folder.
# Then /autorun in a root of each system it meets (Debian 11, 12 and 13, with GTK 3, Qt 6, both or
# neither), with the route the starter took. First the model is held against a timed sequential read
# of the archive.
# Usage: tools/bench/drive.sh [runs]   (default 3; medians). Needs root, /dev/fuse and fuseiso.
# DRIVE_ONLY=roots leaves out all but the model and the roots.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
runs=${1:-3}
[ "$(id -u)" -eq 0 ] && [ -c /dev/fuse ] || { echo "drive.sh: needs root and /dev/fuse" >&2; exit 1; }

scripts/setup.sh libx11-dev libxtst-dev libxext-dev libxcb1-dev libxcb-shm0-dev psmisc >/dev/null
cmake --preset linux >/dev/null
cmake --build --preset linux --target disc-image e2e_close_window >/dev/null
cmake -S tools/bench -B build/bench -G Ninja >/dev/null
cmake --build build/bench >/dev/null

source scripts/x11.sh
image=$repo/build/linux/disc.iso
throttle=$repo/build/bench/libdrive_throttle.so
tmp=$(mktemp -d)
mnt=$tmp/mnt
mkdir "$mnt"
finish() {
    [ -z "${bus_pid:-}" ] || kill "$bus_pid" 2>/dev/null || true
    ! mountpoint -q "$mnt" 2>/dev/null || fusermount -u "$mnt" 2>/dev/null || umount -l "$mnt"
    cleanup
}
trap finish EXIT
start_xvfb "$tmp" || exit 1

# mount_drive <rate>: the image mounted at $mnt, read as a drive of that rate reads, by one thread as
# the kernel's own driver reads a drive (several would reorder the reads into seeks); the page cache
# dropped, unless KEEP_CACHE is set and the image is already mounted (a later start in one session).
mount_drive() {
    : >"$tmp/drive.log"
    [ -n "${KEEP_CACHE:-}" ] && mountpoint -q "$mnt" && return 0
    ! mountpoint -q "$mnt" || fusermount -u "$mnt"
    AUTORUN_DRIVE="image=$image,rate=$1,access=0.100-0.110,buffer=2097152,log=$tmp/drive.log" \
        LD_PRELOAD=$throttle fuseiso -n "$image" "$mnt" -s -o ro,allow_other,kernel_cache
    sync
    echo 3 >/proc/sys/vm/drop_caches
}
# read_figures: "<MB read> <requests> <seeks> <modelled seconds>" from the drive's log.
read_figures() {
    awk '{ b += $2; w += $3; s += $4 } END { printf "%.1f %d %d %.2f", b / 1e6, NR, s, w }' "$tmp/drive.log"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

drives=("24x CD|1.5e6" "16x DVD|21e6")
echo "The drive model against a timed sequential read of autorun-linux/bundle.tar.zst ($(du -h "$image" | cut -f1) image):"
for drive in "${drives[@]}"; do
    name=${drive%%|*} rate=${drive#*|}
    mount_drive "$rate"
    size=$(stat -c %s "$mnt/autorun-linux/bundle.tar.zst")
    sync
    echo 3 >/proc/sys/vm/drop_caches
    : >"$tmp/drive.log"
    start=$(date +%s.%N)
    dd if="$mnt/autorun-linux/bundle.tar.zst" of=/dev/null bs=1M status=none
    end=$(date +%s.%N)
    read -r mb requests seeks modelled <<<"$(read_figures)"
    printf '  %-8s %.1f MB in %.2f s measured; %.2f s for one access and the transfer at %s B/s; %d seeks\n' \
        "$name" "$(awk -v s="$size" 'BEGIN { print s / 1e6 }')" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')" \
        "$(awk -v s="$size" -v r="$rate" 'BEGIN { print 0.105 + s / r }')" "$rate" "$seeks"
done

# hide PATTERNS COMMAND...: runs COMMAND where the system's libraries PATTERNS names read as empty files.
hide=(unshare --mount --propagation private sh -c
    'for f in $1; do mount --bind /dev/null "$(readlink -f "$f")"; done; shift; exec "$@"' sh)
# This machine's GTK 3 would take the start first: these rows are of the Qt routes, its own and the disc's.
gtk_libraries="/usr/lib/x86_64-linux-gnu/libgtk-3.so.0 /usr/lib/x86_64-linux-gnu/libgdk-3.so.0"

# one_start <rate> <desktop> <runtime folder> [disc folder]: prints "<seconds to first paint> <MB>
# <requests> <seeks>"; from the image unless a folder is given.
one_start() {
    local rate=$1 desktop=$2 runtime=$3 disc=${4:-$mnt} result ms window
    if [ -n "${4:-}" ]; then
        : >"$tmp/drive.log"
    else
        mount_drive "$rate"
    fi
    local -a command=("${hide[@]}" "$gtk_libraries" "$disc/autorun")
    [ "$desktop" = with ] || command=("${hide[@]}" "$gtk_libraries /usr/lib/x86_64-linux-gnu/libQt6*.so.6" "$disc/autorun")
    result=$(cd / && XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=xcb \
        "$repo/build/bench/first_paint" "$repo/build/bench/libbench_shim.so" "$tmp/shim.log" 120 "${command[@]}")
    read -r ms window <<<"$result"
    local figures
    figures=$(read_figures)
    "$repo/build/linux/tests/e2e_close_window" "$window" || true
    local deadline=$((SECONDS + 15))
    while pgrep -f "^$runtime/autorun-|^$disc/autorun" >/dev/null; do
        [ "$SECONDS" -lt "$deadline" ] || pkill -9 -f "^$runtime/autorun-|^$disc/autorun" || true
        sleep 0.05
    done
    [ -n "${KEEP_CACHE:-}" ] || [ -n "${4:-}" ] || fusermount -u "$mnt"
    # The second start of a session reads the program from the runtime folder: it stays.
    echo "$(awk -v m="$ms" 'BEGIN { printf "%.2f", m / 1000 }') $figures"
}

# The systems the disc meets: /autorun in a root of each, as user nobody, from a cold cache until the
# launcher's first paint, or, where nothing can run it, until the box (a stand-in that notes the time,
# as xdg-open's notes the folder it was asked to open). A root sees the image's mount and the X
# server through /tmp, bound in, and a session bus of nobody's; a library hidden for a row reads as
# an empty file, in a private mount namespace. The roots are made by scripts/make-base-root.sh once.
# "<row>|<root in build/>|<suite>|<packages>|<libraries hidden>"
desktop_bookworm="libgtk-3-0 libatk-bridge2.0-0 dbus-x11 libqt6widgets6 libqt6gui6 qt6-qpa-plugins"
desktop_bullseye="libgtk-3-0 libatk-bridge2.0-0 dbus-x11"
desktop_trixie="libgtk-3-0t64 libatk-bridge2.0-0t64 dbus-x11 libqt6widgets6 libqt6gui6 qt6-qpa-plugins"
system_rows=(
    "Debian 11, GTK 3|desktop-root-bullseye|bullseye|$desktop_bullseye|"
    "Debian 12, GTK 3, no Qt|desktop-root|bookworm|$desktop_bookworm|libQt6*.so.6"
    "Debian 12, Qt 6|desktop-root|bookworm|$desktop_bookworm|libgtk-3.so.0 libgdk-3.so.0"
    "Debian 13, Qt 6.8, GTK 3|desktop-root-trixie|trixie|$desktop_trixie|"
    "Debian 12, base only|base-root|bookworm||"
    "Debian 11, base only|base-root-bullseye|bullseye||"
)
# in_root ROOT HIDDEN PATH RUNTIME ROUTE_FILE COMMAND: run by unshare, as root, in a namespace of its own.
in_root='root=$1 hidden=$2 path=$3 runtime=$4 said=$5
shift 5
for pattern in $hidden; do
    for library in "$root"/usr/lib/x86_64-linux-gnu/$pattern; do
        [ ! -e "$library" ] || mount --bind /dev/null "$(readlink -f "$library")"
    done
done
mount --rbind /tmp "$root/tmp" && mount --rbind /dev "$root/dev" && mount -t proc proc "$root/proc" || exit 1
# The shim in this shell, run as root, made the log: the launcher, as nobody, adds to it.
chmod 666 "$AUTORUN_BENCH_SHIM_LOG"
exec chroot --userspec=nobody:nogroup "$root" env -i PATH="$path:/usr/bin:/bin" HOME=/nonexistent \
    DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$runtime" DBUS_SESSION_BUS_ADDRESS="$BUS" AUTORUN_SAY_ROUTE=1 \
    LD_PRELOAD="$LD_PRELOAD" AUTORUN_BENCH_SHIM_LOG="$AUTORUN_BENCH_SHIM_LOG" "$@" 2>"$said"'
# end_in_root ROOT: ends what the last start left running in the root, the launcher and what it
# started, by process id: those with this run's shim log in their environment, as a test may use the
# same root at the same time.
end_in_root() {
    local deadline=$((SECONDS + 10)) pids process
    while :; do
        pids=()
        for process in /proc/[0-9]*; do
            [ "$(readlink "$process/root" 2>/dev/null)" = "$1" ] &&
                grep -qzxF "AUTORUN_BENCH_SHIM_LOG=$notes/shim.log" "$process/environ" 2>/dev/null &&
                pids+=("${process#/proc/}")
        done
        [ ${#pids[@]} -gt 0 ] || return 0
        if [ "$SECONDS" -lt "$deadline" ]; then kill "${pids[@]}" 2>/dev/null || true; else kill -9 "${pids[@]}" 2>/dev/null || true; fi
        sleep 0.05
    done
}
# system_start <rate> <root> <hidden>: prints "<seconds or -> <route> <folder opened or -> <MB> <requests> <seeks>".
system_start() {
    local rate=$1 root=$2 hidden=$3 runtime result ms window seconds route opened figures
    mount_drive "$rate"
    runtime=$(mktemp -d -p "$notes" run.XXXXXX)
    chown nobody:nogroup "$runtime"
    chmod 700 "$runtime"
    rm -f "$notes/boxed" "$notes/opened" "$notes/said"
    local began
    began=$(date +%s.%N)
    if result=$(cd / && BUS=$bus "$repo/build/bench/first_paint" "$notes/libbench_shim.so" "$notes/shim.log" 120 \
        unshare --mount --propagation private sh -c "$in_root" sh "$root" "$hidden" "$notes/stand-ins" "$runtime" \
        "$notes/said" "$mnt/autorun" 2>/dev/null); then
        read -r ms window <<<"$result"
        seconds=$(awk -v m="$ms" 'BEGIN { printf "%.2f", m / 1000 }')
        figures=$(read_figures)
        "$repo/build/linux/tests/e2e_close_window" "$window" || true
    elif [ -s "$notes/boxed" ]; then
        # xdg-open is started beside the box, not waited for.
        for _ in $(seq 40); do [ -s "$notes/opened" ] || sleep 0.05; done
        seconds=$(awk -v a="$began" -v b="$(cat "$notes/boxed")" 'BEGIN { printf "%.2f", b - a }')
        figures=$(read_figures)
    else
        seconds=- figures=$(read_figures)
    fi
    end_in_root "$root"
    fusermount -u "$mnt"
    case "$(sed -n 's/^autorun: //p' "$notes/said" 2>/dev/null | head -n 1)" in
    *"runs on the desktop's GTK 3") route=gtk ;;
    *"runs on the desktop's Qt 6") route=qt ;;
    *"runs on its own Qt"*) route=bundle ;;
    *"does not run"*) route=box ;;
    *) route="?" ;;
    esac
    opened=-
    [ ! -s "$notes/opened" ] || opened=yes
    # What the box said, printed under the row.
    [ "$route" != box ] || grep -v "^autorun: the launcher does not run" "$notes/said" | head -n 6 >>"$notes/box-said" || true
    echo "$seconds $route $opened $figures"
}
system_rows_run() {
    notes=$tmp/notes
    mkdir -p "$notes/stand-ins"
    chmod 755 "$tmp"
    chmod 1777 "$notes"
    cp "$repo/build/bench/libbench_shim.so" "$notes/"
    printf '#!/bin/sh\ndate +%%s.%%N >%s/boxed\n' "$notes" >"$notes/stand-ins/zenity"
    printf '#!/bin/sh\necho "$1" >%s/opened\n' "$notes" >"$notes/stand-ins/xdg-open"
    chmod 755 "$notes/stand-ins" "$notes/stand-ins"/*
    # A desktop's session bus, of the user the starts run as; it starts no services, so the
    # accessibility bus is asked for and not found, at once.
    bus=unix:path=$notes/bus
    printf '<busconfig><type>session</type><listen>%s</listen><auth>EXTERNAL</auth>%s</busconfig>\n' "$bus" \
        '<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy>' >"$notes/bus.conf"
    bus_pid=$(setpriv --reuid=nobody --regid=nogroup --clear-groups \
        dbus-daemon --config-file="$notes/bus.conf" --fork --print-pid | head -n 1)
    # A desktop has run a GTK program before: the first on an X server probes its GL visuals.
    local result
    if result=$("$repo/build/bench/first_paint" "$repo/build/bench/libbench_shim.so" "$tmp/shim.log" 30 \
        "$repo/build/bench/bare-gtk/bare-gtk" 2>/dev/null); then
        "$repo/build/linux/tests/e2e_close_window" "${result#* }" || true
    fi
    echo
    echo "/autorun on each system as user nobody, from a cold cache until the launcher's first paint or the box ($runs runs, medians):"
    printf '  %-8s %-26s %-10s %9s %8s %16s %s\n' drive system route seconds "MB read" "requests/seeks" "folder opened"
    local drive name rate entry label root suite packages hidden run
    for drive in "${drives[@]}"; do
        name=${drive%%|*} rate=${drive#*|}
        for entry in "${system_rows[@]}"; do
            IFS='|' read -r label root suite packages hidden <<<"$entry"
            root=$repo/build/$root
            # shellcheck disable=SC2086 # the packages are words
            [ -f "$root/.complete" ] || scripts/make-base-root.sh "$root" "$suite" $packages
            : >"$tmp/results"
            : >"$notes/box-said"
            for ((run = 1; run <= runs; run++)); do
                system_start "$rate" "$root" "$hidden" >>"$tmp/results"
            done
            # A start that showed neither the window nor the box is counted apart.
            local seconds failed
            failed=$(awk '$1 == "-"' "$tmp/results" | wc -l)
            seconds=-
            [ "$failed" -eq "$runs" ] || seconds=$(awk '$1 != "-" { print $1 }' "$tmp/results" | median)
            [ "$failed" -eq 0 ] || seconds="$seconds ($failed failed)"
            printf '  %-8s %-26s %-10s %9s %8s %16s %s\n' "$name" "$label" \
                "$(cut -d' ' -f2 "$tmp/results" | sort -u | paste -sd/)" "$seconds" \
                "$(cut -d' ' -f4 "$tmp/results" | median)" \
                "$(cut -d' ' -f5 "$tmp/results" | median)/$(cut -d' ' -f6 "$tmp/results" | median)" \
                "$(cut -d' ' -f3 "$tmp/results" | sort -u | paste -sd/)"
            awk '!seen[$0]++ { print "      the box: " $0 }' "$notes/box-said"
        done
    done
    kill "$bus_pid" 2>/dev/null || true
}
if [ "${DRIVE_ONLY:-}" = roots ]; then
    system_rows_run
    exit 0
fi
echo
echo "/autorun from a cold cache until the launcher's first paint ($runs runs, medians):"
printf '  %-8s %-13s %-22s %9s %8s %16s\n' drive desktop start seconds "MB read" "requests/seeks"
row() {
    printf '  %-8s %-13s %-22s %9s %8s %16s\n' "$1" "$2" "$3" \
        "$(cut -d' ' -f1 "$tmp/results" | median)" "$(cut -d' ' -f2 "$tmp/results" | median)" \
        "$(cut -d' ' -f3 "$tmp/results" | median)/$(cut -d' ' -f4 "$tmp/results" | median)"
}
# The yardstick for a second start: the disc copied to a folder and started warm, unpacked already.
folder=$tmp/folder
cp -R "$repo/build/linux/disc" "$folder"
for desktop in without with; do
    runtime=$(mktemp -d -p "$tmp" run.XXXXXX)
    chmod 700 "$runtime"
    one_start 0 "$desktop" "$runtime" "$folder" >/dev/null
    : >"$tmp/results"
    for ((run = 1; run <= runs; run++)); do
        one_start 0 "$desktop" "$runtime" "$folder" >>"$tmp/results"
    done
    row folder "$desktop Qt" "warm start"
    # What the second start's check of the unpacked folder against the manifest costs of that.
    [ "$desktop" = with ] || manifest_check=$("$repo/build/bench/bench_manifest" \
        "$repo/build/linux/bundle/bundle.manifest" "$runtime"/autorun-*)
done
echo "  of which the second start's check of the unpacked folder against its manifest:"
echo "$manifest_check"
for drive in "${drives[@]}"; do
    name=${drive%%|*} rate=${drive#*|}
    for desktop in without with; do
        for start in first "second, cache dropped" "second, same session"; do
            : >"$tmp/results"
            for ((run = 1; run <= runs; run++)); do
                runtime=$(mktemp -d -p "$tmp" run.XXXXXX)
                chmod 700 "$runtime"
                # A second start: the first one unpacked into the same runtime folder, and in the
                # same session the kernel still has what it read from the disc.
                if [ "$start" != first ]; then
                    [ "$start" = "second, cache dropped" ] || export KEEP_CACHE=1
                    one_start "$rate" "$desktop" "$runtime" >/dev/null
                fi
                one_start "$rate" "$desktop" "$runtime" >>"$tmp/results"
                unset KEEP_CACHE
                ! mountpoint -q "$mnt" || fusermount -u "$mnt"
            done
            row "$name" "$desktop Qt" "$start"
        done
    done
done
system_rows_run

# The archive's format: the same tar compressed three ways, each on a disc image of its own that
# holds nothing else, read through the drive model from a cold cache and unpacked into a tmpfs.
echo
echo "The bundle's archive by format, read from the drive and unpacked into a tmpfs ($runs runs, medians):"
printf '  %-6s %-26s %8s %9s %9s\n' format compression MB "24x CD" "16x DVD"
formats=$tmp/formats
mkdir -p "$formats"
zstd -q -dc "$repo/build/linux/disc/autorun-linux/bundle.tar.zst" >"$formats/bundle.tar"
mkdir -p /dev/shm/autorun-drive-bench
unpacked=$(mktemp -d -p /dev/shm/autorun-drive-bench)
for format in "zstd|zstd -q -19 --long=24 -T2 -c|zstd -q -dc --long=24" "xz|xz -9 -T2 -c|xz -dc" "gzip|gzip -9 -n -c|gzip -dc"; do
    IFS='|' read -r name compress decompress <<<"$format"
    mkdir -p "$formats/$name"
    $compress "$formats/bundle.tar" >"$formats/$name/bundle.tar.$name"
    xorriso -as mkisofs -quiet -r -o "$formats/$name.iso" "$formats/$name" 2>"$tmp/xorriso.log" ||
        { cat "$tmp/xorriso.log" >&2; exit 1; }
    times=()
    for drive in "${drives[@]}"; do
        rate=${drive#*|}
        : >"$tmp/results"
        for ((run = 1; run <= runs; run++)); do
            image=$formats/$name.iso mount_drive "$rate"
            rm -rf "${unpacked:?}"/*
            start=$(date +%s.%N)
            cat "$mnt/bundle.tar.$name" | $decompress | tar -x -C "$unpacked"
            end=$(date +%s.%N)
            awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f\n", b - a }' >>"$tmp/results"
            fusermount -u "$mnt"
        done
        times+=("$(median <"$tmp/results")")
    done
    printf '  %-6s %-26s %8.1f %8ss %8ss\n' "$name" "${compress% -c}" \
        "$(awk -v s="$(stat -c %s "$formats/$name/bundle.tar.$name")" 'BEGIN { print s / 1e6 }')" "${times[@]}"
done
rm -rf /dev/shm/autorun-drive-bench

# Autorun.exe from the same image under Wine, as Windows starts it from the drive: Wine itself warm
# from this machine's disk, the image's pages dropped.
echo
source tests/win32/wine-env.sh
wine_loaders 2>/dev/null || wine32_why="Wine is not installed (tools/bench/wine.sh installs it)"
if [ -n "$wine32_emulator" ]; then
    wine32_why="32-bit programs run here only under CPU emulation by $wine32_emulator, which would time the emulator"
fi
if [ -n "$wine32_why" ]; then
    echo "Autorun.exe from the drive: skipped, as $wine32_why."
else
    scripts/setup.sh gcc-multilib >/dev/null
    mkdir -p build/bench-i386
    gcc -m32 -O2 -Wall -Wextra -shared -fPIC tools/bench/shim.c -o build/bench-i386/libbench_shim.so -ldl
    export WINEPREFIX=$repo/build/bench-wine/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    wineserver -k 2>/dev/null || true
    wine_prefix_check
    mkdir -p "$WINEPREFIX"
    wineserver -p
    finish_wine() {
        wineserver -k 2>/dev/null || true
        finish
    }
    trap finish_wine EXIT
    "$wine" wineboot >/dev/null 2>&1
    wine_prefix_made
    # start_exe <folder>: Autorun.exe from that folder until its first paint, then closed; prints
    # "<seconds> <the drive's figures>".
    start_exe() {
        local result ms window deadline
        result=$(cd "$1" && "$repo/build/bench/first_paint" \
            "$repo/build/bench/libbench_shim.so $repo/build/bench-i386/libbench_shim.so" "$tmp/shim.log" 60 \
            "$wine32" "$1/Autorun.exe")
        read -r ms window <<<"$result"
        echo "$(awk -v m="$ms" 'BEGIN { printf "%.2f", m / 1000 }') $(read_figures)"
        "$repo/build/linux/tests/e2e_close_window" "$window" || true
        deadline=$((SECONDS + 15))
        while pgrep -f 'Autorun\.exe' >/dev/null; do
            [ "$SECONDS" -lt "$deadline" ] || pkill -9 -f 'Autorun\.exe' || true
            sleep 0.05
        done
    }
    echo "Autorun.exe (32-bit, $("$wine" --version)) from the image with a cold cache until its first paint ($runs runs, medians):"
    printf '  %-8s %9s %8s %16s\n' drive seconds "MB read" "requests/seeks"
    for drive in "${drives[@]}"; do
        name=${drive%%|*} rate=${drive#*|}
        : >"$tmp/results"
        for ((run = 1; run <= runs; run++)); do
            mount_drive "$rate"
            # Wine and the DLLs the program loads back in the cache, as a running Windows has
            # them: the same program started once from the disc's folder on this machine's disk.
            start_exe "$folder" >/dev/null
            : >"$tmp/drive.log"
            start_exe "$mnt" >>"$tmp/results"
            fusermount -u "$mnt"
        done
        printf '  %-8s %9s %8s %16s\n' "$name" "$(cut -d' ' -f1 "$tmp/results" | median)" \
            "$(cut -d' ' -f2 "$tmp/results" | median)" \
            "$(cut -d' ' -f3 "$tmp/results" | median)/$(cut -d' ' -f4 "$tmp/results" | median)"
    done
fi

echo
echo "Disc: $(du -h "$image" | cut -f1) image; archive $(du -h "$repo/build/linux/disc/autorun-linux/bundle.tar.zst" | cut -f1)," \
    "program $(du -h "$repo/build/linux/disc/autorun-linux/autorun" | cut -f1), starter $(du -h "$repo/build/linux/disc/autorun" | cut -f1)"
