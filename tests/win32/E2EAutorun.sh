#!/usr/bin/env bash
# Drives the built Autorun.exe on a copy of the assembled disc under Wine, as a user would, on the
# build's Wine session display (no window manager), and checks what it shows and how it ends.
# Usage: E2EAutorun.sh <build folder> <disc folder> <WindowTool.exe>
set -euo pipefail
here=$(dirname "$0")
source "$here/../../scripts/x11.sh"
source "$here/wine-env.sh"

usage="usage: E2EAutorun.sh <build folder> <disc folder> <WindowTool.exe>"
build=${1:?$usage}
disc=${2:?$usage}
tool=${3:?$usage}

title="VELMO Developers Kit v7.03"
doc_title="$title Online Documentation"
hover_blue="#0000C0"

# Client-area boxes (x y width height) of the things the test points at.
online_doc_box=(240 120 273 25)
browse_box=(240 152 201 25)
description_box=(24 400 568 20)

tmp=""
app_pid=""
failed=0

ok() { printf 'ok    %s\n' "$*"; }

fail() {
    failed=1
    printf 'FAIL  %s\n' "$*" >&2
    if [ -n "$tmp" ]; then
        [ -s "$tmp/autorun.out" ] && { echo "--- program output:" >&2; cat "$tmp/autorun.out" >&2; }
        echo "--- screenshots and logs kept in $tmp" >&2
    fi
    exit 1
}

cleanup() {
    local status=$?
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    if [ -n "$tmp" ] && [ "$failed" -eq 0 ] && [ "$status" -eq 0 ]; then
        rm -rf "$tmp"
    elif [ -n "$tmp" ] && [ "$failed" -eq 0 ]; then
        echo "FAIL  the script stopped unexpectedly (status $status); files kept in $tmp" >&2
    fi
}
trap cleanup EXIT

# wait_for <what> <seconds> <command...>: polls the command until it succeeds, failing after the bound.
wait_for() {
    local what=$1 seconds=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        if [ -n "$app_pid" ] && ! kill -0 "$app_pid" 2>/dev/null; then
            fail "the program ended while waiting for $what"
        fi
        [ "$SECONDS" -lt "$deadline" ] || fail "timed out after ${seconds}s waiting for $what"
        sleep 0.1
    done
}

for program in xdotool xwininfo import convert wine; do
    command -v "$program" >/dev/null || fail "$program is not installed (scripts/setup.sh installs it)"
done
[ -f "$disc/Autorun.exe" ] || fail "there is no program at $disc/Autorun.exe: build the 'disc' target first"
[ -f "$tool" ] || fail "the window tool $tool is missing"

# --- the build's Wine session ----------------------------------------------------------------
wine_env "$build"
read_session
[ -n "$display" ] && kill -0 "$xvfb_pid" 2>/dev/null ||
    fail "no Wine session runs for $build; ctest starts one with its wine.start test"
export DISPLAY=$display
ok "Wine session on $DISPLAY with prefix $WINEPREFIX"

tmp=$(mktemp -d)
copy="$tmp/My Disc"
cp -R "$disc" "$copy"
ok "copied the disc to \"$copy\""

# --- helpers -------------------------------------------------------------------------------

# geometry_of <title>: sets outer_*, client_*, screen_* and enabled as Windows reports them.
geometry_of() {
    local report
    report=$(wine "$tool" geometry "$1" 2>/dev/null | tr -d '\r') || return 1
    eval "$report"
}

# x_geometry <window>: sets x_x, x_y, x_w and x_h from the X server.
x_geometry() {
    local info
    info=$(xwininfo -id "$1")
    field() { printf '%s\n' "$info" | sed -n "s/^ *$1: *\(-\?[0-9]\+\).*/\1/p"; }
    x_x=$(field "Absolute upper-left X") x_y=$(field "Absolute upper-left Y")
    x_w=$(field "Width") x_h=$(field "Height")
}

# count_colour <window> <colour> <x> <y> <w> <h>: pixels of exactly that colour in a box of the window.
count_colour() {
    local shot="$tmp/shot.miff"
    import -window "$1" "$shot" 2>/dev/null || { echo 0; return; }
    convert "$shot" -crop "${5}x${6}+${3}+${4}" +repage -depth 8 txt:- | grep -ci " $2 " || true
}
blue_in() { count_colour "$1" "$hover_blue" "${@:2}"; }
has_blue() { [ "$(blue_in "$@")" -gt 0 ]; }
no_blue() { [ "$(blue_in "$@")" -eq 0 ]; }
white_in() { count_colour "$1" "#FFFFFF" "${@:2}"; }

# The splash picture has thousands of colours; an unpainted window has one.
painted() {
    import -window "$1" "$tmp/shot.miff" 2>/dev/null &&
        [ "$(convert "$tmp/shot.miff" -format %k info:)" -gt 100 ]
}

point_at() { xdotool mousemove --window "$1" "$2" "$3"; }

# check_window <title> <width> <height>: the X window shows exactly the client area Windows reports,
# of that size, and Windows placed the whole window centred on the screen.
check_window() {
    local window
    window=$(visible_window "$1")
    x_geometry "$window"
    geometry_of "$1" || fail "Windows shows no window titled \"$1\""
    [ "$client_w" = "$2" ] && [ "$client_h" = "$3" ] ||
        fail "\"$1\" has a ${client_w}x${client_h} client area, expected ${2}x${3}"
    [ "$x_w" = "$2" ] && [ "$x_h" = "$3" ] && [ "$x_x" = "$client_x" ] && [ "$x_y" = "$client_y" ] ||
        fail "\"$1\": the X window is ${x_w}x${x_h} at $x_x,$x_y; Windows' client area is ${client_w}x${client_h} at $client_x,$client_y"
    local centre_x=$(((screen_w - outer_w) / 2)) centre_y=$(((screen_h - outer_h) / 2))
    [ "$outer_x" = "$centre_x" ] && [ "$outer_y" = "$centre_y" ] ||
        fail "\"$1\" (${outer_w}x${outer_h} with its frame) is at $outer_x,$outer_y, not centred at $centre_x,$centre_y on the ${screen_w}x${screen_h} screen"
    ok "\"$1\": client area ${2}x${3} at $client_x,$client_y, the window centred at $outer_x,$outer_y"
}

launcher_enabled() { geometry_of "$title" && [ "$enabled" = 1 ]; }
launcher_disabled() { geometry_of "$title" && [ "$enabled" = 0 ]; }

# --- the launcher --------------------------------------------------------------------------
(cd / && exec wine "$copy/Autorun.exe") >"$tmp/autorun.out" 2>&1 &
app_pid=$!
ok "started \"$copy/Autorun.exe\" from / (pid $app_pid)"

wait_for "the window \"$title\"" 60 window_shown "$title"
launcher=$(visible_window "$title")
ok "the launcher window \"$title\" is shown (id $launcher)"
check_window "$title" 599 427

wait_for "the launcher to paint its picture" 10 painted "$launcher"
point_at "$launcher" 20 20
wait_for "the launcher to show no highlighted button" 10 no_blue "$launcher" "${online_doc_box[@]}"
white_before=$(white_in "$launcher" "${description_box[@]}")
ok "no button is highlighted while the pointer is elsewhere"

point_at "$launcher" 376 132
wait_for "\"Online Documentation\" to turn blue under the pointer" 10 has_blue "$launcher" "${online_doc_box[@]}"
no_blue "$launcher" "${browse_box[@]}" || fail "\"Browse this CD\" turned blue too"
more_white() { [ "$(white_in "$launcher" "${description_box[@]}")" -gt "$white_before" ]; }
wait_for "the description line to appear" 10 more_white
ok "pointing at \"Online Documentation\" turns it blue and shows its description"

# --- the documentation window --------------------------------------------------------------
xdotool click --repeat 2 --delay 80 1
wait_for "the window \"$doc_title\"" 20 window_shown "$doc_title"
ok "double-click on \"Online Documentation\" shows \"$doc_title\""
check_window "$doc_title" 585 262
launcher_disabled || fail "the launcher takes input while the documentation window is open"
ok "the launcher is disabled while the documentation window is open"

wine "$tool" close "$doc_title" || fail "could not ask the documentation window to close"
wait_for "the documentation window to close" 10 window_gone "$doc_title"
wait_for "the launcher to take input again" 10 launcher_enabled
ok "closing the documentation window gives the launcher back"

point_at "$launcher" 20 20
point_at "$launcher" 300 164
wait_for "\"Browse this CD\" to turn blue under the pointer" 10 has_blue "$launcher" "${browse_box[@]}"
ok "the launcher answers the pointer again"

# --- the end -------------------------------------------------------------------------------
wine "$tool" close "$title" || fail "could not ask the launcher to close"
deadline=$((SECONDS + 15))
while kill -0 "$app_pid" 2>/dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || fail "the program still runs 15 s after its launcher was closed"
    sleep 0.1
done
status=0
wait "$app_pid" || status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "the program ended with status $status"
ok "closing the launcher ends the program with status 0"
echo "PASS  all checks"
