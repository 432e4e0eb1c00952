#!/usr/bin/env bash
# Takes the README's screenshots of the Linux program on the sample disc under Xvfb, framed by
# Metacity where it is installed: the launcher with the pointer on "Online Documentation"
# (docs/launcher.png) and the documentation window it opens (docs/docwindow.png), that window with the
# keyboard's focus on a manual (docs/docwindow-keyboard.png), and the launcher at twice the pixel
# density (docs/launcher-2x.png).
# Usage: scripts/readme-screenshots.sh [folder]   (default docs/)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
out=$(realpath -m "${1:-docs}")
mkdir -p "$out"

source scripts/x11.sh

cmake --preset linux >/dev/null
cmake --build --preset linux --target "${sample_targets[@]}" >/dev/null
sample_session "$repo/build/linux"

has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

framed=0
if command -v metacity >/dev/null; then
    fail_logs+=("$tmp/metacity.log")
    start_window_manager "$tmp/metacity.log"
    framed=1
fi

# shoot <window> <file>: the window with its title bar, without the frame's invisible borders
# (as wide as the side ones, all round); the bare window where no window manager frames it.
shoot() {
    if [ "$framed" = 0 ]; then
        import -window "$1" "$2"
        return
    fi
    local info x y w h
    info=$(xwininfo -id "$1")
    x=$(sed -n 's/^ *Relative upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/^ *Relative upper-left Y: *//p' <<<"$info")
    w=$(sed -n 's/^ *Width: *//p' <<<"$info")
    h=$(sed -n 's/^ *Height: *//p' <<<"$info")
    import -frame -window "$1" "$tmp/framed.png"
    convert "$tmp/framed.png" -crop "${w}x$((y - x + h))+${x}+${x}" +repage "$2"
}

# lit_at_2x <window> <control>: the control shows the hover colour at twice the design's pixels.
lit_at_2x() {
    local -n box=$2
    import -window "$1" "$tmp/shot.miff" 2>/dev/null || return 1
    [ "$(convert "$tmp/shot.miff" -crop "$((2 * box[2]))x$((2 * box[3]))+$((2 * box[0]))+$((2 * box[1]))" +repage \
        -depth 8 txt:- | grep -ci " $ColorBtnHover " || true)" -gt 0 ]
}

# start <scale>: the program on the sample disc with the pointer parked in the screen's corner.
start() {
    xdotool mousemove 0 0
    start_sample QT_SCALE_FACTOR="$1"
}

# The pointer on "Online Documentation", and its double-click; then over the first manual's link.
start 1
point_at "$launcher" lblBtnText_0
wait_for "\"Online Documentation\" to be highlighted" 10 has_colour "$launcher" "$ColorBtnHover" lblBtnText_0
wait_for "the launcher to finish painting" 10 settled "$launcher"
shoot "$launcher" "$out/launcher.png"
xdotool click --repeat 2 --delay 80 1
wait_for "the documentation window" 15 window_shown "$doc_title"
doc=$(visible_window "$doc_title")
point_at "$doc" lblCases_0
wait_for "the documentation window to paint" 10 settled "$doc"
shoot "$doc" "$out/docwindow.png"
"$close_window" "$doc"
wait_for "the documentation window to close" 10 window_gone "$doc_title"
stop_sample

# Keys alone: Tab and Return open the documentation window, two Tabs reach the second manual.
start 1
wait_for "the launcher to have the keyboard" 10 has_focus "$launcher"
xdotool key Tab Return
wait_for "the documentation window" 15 window_shown "$doc_title"
doc=$(visible_window "$doc_title")
wait_for "the documentation window to have the keyboard" 10 has_focus "$doc"
xdotool key Tab Tab
wait_for "the focus rectangle on the second manual" 10 has_colour "$doc" "#000000" lblCases_1
wait_for "the documentation window to finish painting" 10 settled "$doc"
shoot "$doc" "$out/docwindow-keyboard.png"
xdotool key Escape
wait_for "the documentation window to close" 10 window_gone "$doc_title"
stop_sample

# At twice the density, the pointer on "Online Documentation" as in the launcher's own screenshot.
start 2
centre_of lblBtnText_0
xdotool mousemove --window "$launcher" $((2 * cx)) $((2 * cy))
wait_for "\"Online Documentation\" to be highlighted" 10 lit_at_2x "$launcher" lblBtnText_0
wait_for "the launcher to finish painting" 10 settled "$launcher"
shoot "$launcher" "$out/launcher-2x.png"
stop_sample

echo "Screenshots:"
echo "  $out/launcher.png"
echo "  $out/docwindow.png"
echo "  $out/docwindow-keyboard.png"
echo "  $out/launcher-2x.png"
