#!/usr/bin/env bash
# Sets everything up, builds the program and the sample disc, and runs the program on it.
# Without a display it runs the program under Xvfb instead and saves screenshots of both windows.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

scripts/setup.sh
# The Windows program first, so that the disc carries it beside the Linux one, as a real disc would.
cmake --preset windows-i686 >/dev/null
cmake --build --preset windows-i686
cmake --preset linux >/dev/null
cmake --build --preset linux --target autorun disc e2e_close_window autorun_layout

disc="$repo/build/linux/disc"

if [ -n "${WAYLAND_DISPLAY:-}" ] || { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; }; then
    cd "$disc"
    exec ./autorun
fi

echo "No display found: running the program under Xvfb and saving screenshots instead."
source scripts/x11.sh
# Closes a window as a window manager's close box would; xdotool cannot.
close_window="$repo/build/linux/tests/e2e_close_window"
shots="$repo/build/linux/screenshots"
mkdir -p "$shots"
load_layout build/linux/tools/layout/autorun_layout

title="VELMO Developers Kit v7.03"
doc_title="$title Online Documentation"
tmp=$(mktemp -d)
fail_logs=("$tmp/autorun.out")
trap cleanup EXIT


start_xvfb "$tmp" || fail "could not start Xvfb"

(cd "$disc" && QT_QPA_PLATFORM=xcb exec ./autorun) >"$tmp/autorun.out" 2>&1 &
app_pid=$!

wait_for "the launcher window" 20 window_shown "$title"
launcher=$(visible_window "$title")
wait_for "the launcher to paint" 10 painted "$launcher"
point_at "$launcher" lblBtnText_0
wait_for "\"Online Documentation\" to be highlighted" 10 has_colour "$launcher" "$ColorBtnHover" lblBtnText_0
wait_for "the launcher to finish painting" 10 settled "$launcher"
import -window "$launcher" "$shots/launcher.png"

xdotool click --repeat 2 --delay 80 1
wait_for "the documentation window" 15 window_shown "$doc_title"
doc=$(visible_window "$doc_title")
# Over the first manual's link, where the pointer turns into a hand (screenshots do not show the pointer).
point_at "$doc" lblCases_0
wait_for "the documentation window to paint" 10 settled "$doc"
import -window "$doc" "$shots/docwindow.png"

"$close_window" "$doc"
wait_for "the documentation window to close" 10 window_gone "$doc_title"
status=0
close_program "$close_window" "$launcher" "$app_pid" || status=$?
[ "$status" -eq 124 ] || app_pid=""
[ "$status" -eq 0 ] || fail "$(close_outcome "$status")"

echo "Screenshots:"
echo "  $shots/launcher.png"
echo "  $shots/docwindow.png"
