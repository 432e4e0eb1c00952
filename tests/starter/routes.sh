#!/usr/bin/env bash
# The disc's starter and its real launchers as users meet them, each row a start as the unprivileged
# user nobody in a clean root of a Debian release (scripts/make-base-root.sh) with the desktop's GTK 3
# (and on Debian 12 its Qt 6), with the disc read-only: which of the desktop's toolkits the row hides,
# what it does to the system or to the unpacked folder first, and what the user must then see, the
# window or a box with the disc's folder opened, never nothing; and the route the starter says it took.
# routes.sh <disc folder> <Debian 12 root> <Debian 11 root> <close-window helper>
# Runs as root in a mount namespace of its own; where that or chroot is refused, it says so and ends
# with status 77, which the test reports as skipped.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
skip() {
    echo "SKIPPED: $*"
    exit 77
}
[ $# -eq 4 ] || { echo "usage: $0 <disc folder> <Debian 12 root> <Debian 11 root> <close-window helper>" >&2; exit 2; }
# GTK 3 with its screen-reader bridge (whose settings service needs a session bus), and Qt 6.
gtk=(libgtk-3-0 libatk-bridge2.0-0 dbus-x11)
qt=(libqt6widgets6 libqt6gui6 qt6-qpa-plugins)
if [ -z "${ROUTES_NAMESPACE:-}" ]; then
    [ "$(id -u)" -eq 0 ] || skip "chroot and mounts need root"
    command -v debootstrap >/dev/null || skip "debootstrap is not installed (scripts/setup.sh installs it)"
    unshare --mount --propagation private true 2>/dev/null || skip "this machine refuses a private mount namespace"
    # Made at once, the first time: each waits mostly for the archive.
    "$here/../../scripts/make-base-root.sh" "$2" bookworm "${gtk[@]}" "${qt[@]}" &
    twelve=$!
    "$here/../../scripts/make-base-root.sh" "$3" bullseye "${gtk[@]}"
    wait "$twelve"
    ROUTES_NAMESPACE=1 exec unshare --mount --propagation private "$0" "$@"
fi
source "$here/../../scripts/x11.sh"
close_window=$4
declare -A roots=([12]=$(cd "$2" && pwd) [11]=$(cd "$3" && pwd))
chroot "${roots[12]}" /bin/true 2>/dev/null || skip "this machine refuses chroot"

tmp=$(mktemp -d)
chmod 755 "$tmp"
trap 'for r in "${roots[@]}"; do umount -R "$r/tmp" "$r/proc" 2>/dev/null || true; done; umount "$tmp/disc" 2>/dev/null; cleanup' EXIT
start_xvfb "$tmp" || fail "could not start Xvfb"
mkdir "$tmp/disc" "$tmp/bin"
mount --bind -o ro "$1" "$tmp/disc"
# The roots see this /tmp: the disc, the X server's socket, the stand-ins and their logs.
for root in "${roots[@]}"; do
    mount --rbind /tmp "$root/tmp"
    mount -t proc proc "$root/proc"
done
printf '#!/bin/sh\nprintf "%%s|" "$@" >>%s/boxes.log\n' "$tmp" >"$tmp/bin/zenity"
printf '#!/bin/sh\necho "$@" >>%s/opened.log\n' "$tmp" >"$tmp/bin/xdg-open"
chmod 755 "$tmp/bin"/*
title=$(sed -n 's/^1=//p' "$1/autorun.inf" | head -n 1 | tr -d '\r')
runtime=$tmp/runtime
# A sanitizer build's Qt program needs the sanitizers' runtimes, which no desktop has: on the desktop's
# Qt they come from a folder of their own (the archive carries its own).
sanitizers=()
for library in $(ldd "$1/autorun-linux/autorun" | awk '$1 ~ /^lib(a|ub)san[.]/ && $3 ~ /^\// { print $3 }'); do
    mkdir -p "$tmp/sanitizers"
    cp "$library" "$tmp/sanitizers/"
    sanitizers=(LD_LIBRARY_PATH="$tmp/sanitizers")
done
lib=usr/lib/x86_64-linux-gnu
libstdcxx=$lib/libstdc++.so.6
# What each word of a row's hidden column reads as empty files: GTK 3, its screen-reader bridge, or Qt
# with the system's ICU, which the bundle must not lean on (another distribution's never matches).
declare -A hides=([gtk]="libgtk-3.so.0" [bridge]="libatk-bridge-2.0.so.0" [qt]="libQt6*.so.6 libicu*.so.*")
# What the starter says of the route it took, for each word of a row's route column.
declare -A said=([gtk]="runs on the desktop's GTK 3" [qt]="runs on the desktop's Qt 6" [bundle]="runs on its own Qt"
    [box]="does not run; a box says why")
# hide <release> <word>...: that toolkit's libraries read as empty files until undo.
hide() {
    local root=${roots[$1]} word pattern file
    shift
    for word in "$@"; do
        for pattern in ${hides[$word]}; do
            for file in "$root/$lib"/$pattern; do
                mount --bind /dev/null "$(readlink -f "$file")"
            done
        done
    done
}
# undo: whatever a row mounted over the roots' libraries goes, for the next row.
undo() {
    local root
    for root in "${roots[@]}"; do
        findmnt -rn -o TARGET | { grep "^$root/$lib/" || true; } | xargs -r umount
    done
}

# start <release> [VARIABLE=value...]: the disc's starter as nobody, as a desktop starts it; waits for it
# to leave (once the window shows, or after its box), then for the window. There is no session bus: its
# address names none, where dbus-launch (which GTK's packages bring) would start one, seconds a start.
start() {
    local root=${roots[$1]}
    shift
    : >"$tmp/boxes.log"
    : >"$tmp/opened.log"
    chmod 666 "$tmp/boxes.log" "$tmp/opened.log"
    status=0
    local began=$EPOCHREALTIME
    chroot --userspec=nobody:nogroup "$root" env -i PATH="$tmp/bin:/usr/bin:/bin" HOME=/nonexistent DISPLAY="$DISPLAY" \
        XDG_RUNTIME_DIR="$runtime" DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent AUTORUN_SAY_ROUTE=1 "${sanitizers[@]}" "$@" "$tmp/disc/autorun" >"$tmp/out" 2>&1 || status=$?
    seconds=$(awk -v a="$began" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", b - a }')
}
saw_window() {
    [ "$status" = 0 ] && window_shown "$title" || return 1
    local window
    window=$(visible_window "$title")
    "$close_window" "$window"
    wait_for "the launcher to end" 10 window_gone "$title"
}
saw_box() {
    [ "$status" != 0 ] && tr '\n' ' ' <"$tmp/boxes.log" | grep -q -- "--error|.*$1" && grep -qx "$tmp/disc" "$tmp/opened.log"
}

mkdir -m 700 "$runtime"
chown nobody:nogroup "$runtime"
folder() { echo "$runtime"/autorun-*; }
# Each row: name | release | toolkits hidden | what is done first (as root) | variables |
# expected: window or box:<text> | the route taken: gtk, qt, bundle or box
failures=0
while IFS='|' read -r name release hide damage variables expected route; do
    # shellcheck disable=SC2086 # the row's words, one each
    hide "$release" $hide
    eval "$damage"
    # shellcheck disable=SC2086
    start "$release" $variables
    undo
    case $expected in
    window) saw_window ;;
    box:*) saw_box "${expected#box:}" ;;
    esac && grep -q "^autorun: the launcher ${said[$route]}" "$tmp/out" || {
        echo "FAIL  $name: status $status, expected $expected by $route: $(cat "$tmp/out" "$tmp/boxes.log")"
        failures=$((failures + 1))
        continue
    }
    echo "ok    $name: ${expected%%:*} by $route after ${seconds} s: $(tr '\n' ' ' <"$tmp/out" | cut -c1-160)"
done <<ROWS
GTK 3 and Qt 6|12||:||window|gtk
GTK 3 alone|12|qt|:||window|gtk
Qt 6 alone|12|gtk|:||window|qt
GTK 3 without its screen-reader bridge|12|bridge|:||window|qt
neither: first start, unpacked|12|gtk qt|:||window|bundle
Qt Gui's library removed|12|gtk qt|rm "\$(folder)/lib/libQt6Gui.so.6"||window|bundle
ICU's common library emptied|12|gtk qt|: >"\$(folder)/lib/libicuuc.so.72"||window|bundle
Qt Widgets cut short|12|gtk qt|truncate -s 100000 "\$(folder)/lib/libQt6Widgets.so.6"||window|bundle
the plugins removed|12|gtk qt|rm -r "\$(folder)/plugins"||window|bundle
the JPEG plugin removed|12|gtk qt|rm "\$(folder)/plugins/imageformats/libqjpeg.so"||window|bundle
the program removed|12|gtk qt|rm "\$(folder)/autorun"||window|bundle
a library changed but not its size|12|gtk qt|dd if=/dev/zero of="\$(folder)/lib/libQt6Core.so.6" bs=4 count=1 conv=notrunc status=none||window|bundle
QT_QPA_PLATFORM=wayland|12|gtk qt|:|QT_QPA_PLATFORM=wayland|window|bundle
the GTK program fails at start|12||:|GDK_BACKEND=wayland|window|qt
the display has no such screen|12||:|DISPLAY=$DISPLAY.7|box:On the desktop's GTK 3.*stopped before its window showed|box
a C++ runtime of GCC 10|12|gtk qt|mount --bind "${roots[11]}/$libstdcxx" "$(readlink -f "${roots[12]}/$libstdcxx")"||box:GLIBCXX_3.4.30|box
Debian 11 with GTK 3|11||:||window|gtk
Debian 11 without|11|gtk|:||box:needs a newer Linux system.*or, instead, the desktop's GTK 3|box
AUTORUN_ROUTE=qt with GTK 3 there|12||:|AUTORUN_ROUTE=qt|window|qt
AUTORUN_ROUTE=bundle with both there|12||:|AUTORUN_ROUTE=bundle|window|bundle
AUTORUN_ROUTE=gtk without GTK 3|12|gtk|:|AUTORUN_ROUTE=gtk|box:AUTORUN_ROUTE is "gtk".*cannot run on the desktop's GTK 3: .*libgtk-3.so.0|box
AUTORUN_ROUTE=gtk failing at start|12||:|AUTORUN_ROUTE=gtk GDK_BACKEND=wayland|box:AUTORUN_ROUTE is "gtk".*stopped before its window showed|box
AUTORUN_ROUTE names no route|12||:|AUTORUN_ROUTE=fastest|box:"fastest", which names no way|box
ROWS
[ "$failures" -eq 0 ] || exit 1
echo "PASS  all checks"
