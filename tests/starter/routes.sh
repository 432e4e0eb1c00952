#!/usr/bin/env bash
# The disc's starter and its real launcher as users meet them, each row a start as the unprivileged
# user nobody in a clean root of a Debian release (scripts/make-base-root.sh), with the disc read-only
# and the system's Qt nowhere: what the row does to the system or to the unpacked folder first, and
# what the user must then see, the window or a box with the disc's folder opened, never nothing.
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
if [ -z "${ROUTES_NAMESPACE:-}" ]; then
    [ "$(id -u)" -eq 0 ] || skip "chroot and mounts need root"
    command -v debootstrap >/dev/null || skip "debootstrap is not installed (scripts/setup.sh installs it)"
    unshare --mount --propagation private true 2>/dev/null || skip "this machine refuses a private mount namespace"
    for suite in bookworm:$2 bullseye:$3; do
        [ -f "${suite#*:}/.complete" ] || "$here/../../scripts/make-base-root.sh" "${suite#*:}" "${suite%%:*}"
    done
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
libstdcxx=usr/lib/x86_64-linux-gnu/libstdc++.so.6

# start <release> [VARIABLE=value...]: the disc's starter as nobody, as a desktop starts it; waits for it
# to leave (once the window shows, or after its box), then for the window.
start() {
    local root=${roots[$1]}
    shift
    : >"$tmp/boxes.log"
    : >"$tmp/opened.log"
    chmod 666 "$tmp/boxes.log" "$tmp/opened.log"
    status=0
    local began=$EPOCHREALTIME
    chroot --userspec=nobody:nogroup "$root" env -i PATH="$tmp/bin:/usr/bin:/bin" HOME=/nonexistent DISPLAY="$DISPLAY" \
        XDG_RUNTIME_DIR="$runtime" "$@" "$tmp/disc/autorun" >"$tmp/out" 2>&1 || status=$?
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
# Each row: name | release | what is done first (as root) | variables | expected: window or box:<text>
failures=0
while IFS='|' read -r name release damage variables expected; do
    eval "$damage"
    # shellcheck disable=SC2086 # the row's variables, one word each
    start "$release" $variables
    case $expected in
    window) saw_window ;;
    box:*) saw_box "${expected#box:}" ;;
    esac || {
        echo "FAIL  $name: status $status, expected $expected: $(cat "$tmp/out" "$tmp/boxes.log")"
        failures=$((failures + 1))
        continue
    }
    echo "ok    $name: ${expected%%:*} after ${seconds} s: $(tr '\n' ' ' <"$tmp/out" | cut -c1-160)"
done <<ROWS
first start, unpacked|12|:||window
Qt Gui's library removed|12|rm "\$(folder)/lib/libQt6Gui.so.6"||window
ICU's common library emptied|12|: >"\$(folder)/lib/libicuuc.so.72"||window
Qt Widgets cut short|12|truncate -s 100000 "\$(folder)/lib/libQt6Widgets.so.6"||window
the plugins removed|12|rm -r "\$(folder)/plugins"||window
the JPEG plugin removed|12|rm "\$(folder)/plugins/imageformats/libqjpeg.so"||window
the program removed|12|rm "\$(folder)/autorun"||window
a library changed but not its size|12|dd if=/dev/zero of="\$(folder)/lib/libQt6Core.so.6" bs=4 count=1 conv=notrunc status=none||window
QT_QPA_PLATFORM=wayland|12|:|QT_QPA_PLATFORM=wayland|window
the display has no such screen|12|:|DISPLAY=$DISPLAY.7|box:stopped before its window showed
a C++ runtime of GCC 10|12|mount --bind "${roots[11]}/$libstdcxx" "$(readlink -f "${roots[12]}/$libstdcxx")"||box:GLIBCXX_3.4.30
Debian 11|11|:||box:needs a newer Linux system
ROWS
[ "$failures" -eq 0 ] || exit 1
echo "PASS  all checks"
