#!/usr/bin/env bash
# Drives the Qt program on a copy of an assembled disc, as a user would, under a private
# X server without a window manager, and checks what it shows and what it starts.
# Usage: e2e.sh <disc folder> <close-window helper>
set -euo pipefail
source "$(dirname "$0")/../../scripts/x11.sh"

disc=${1:?usage: e2e.sh <disc folder> <close-window helper>}
close_window=${2:?usage: e2e.sh <disc folder> <close-window helper>}

title="VELMO Developers Kit v7.03"
doc_title="$title Online Documentation"
screen_w=1280
screen_h=1024
blue="#0000C0"

# Client-area boxes (x y width height) of the things the test points at.
online_doc_box=(240 120 274 26)
browse_box=(240 152 202 26)
description_box=(0 400 599 27)
doc_link_y=(80 112 128 144 176 192)

tmp=""
xvfb_pid=""
app_pid=""
failed=0

say() { printf '%s\n' "$*"; }
ok() { printf 'ok    %s\n' "$*"; }

fail() {
    failed=1
    printf 'FAIL  %s\n' "$*" >&2
    if [ -n "$tmp" ]; then
        [ -s "$tmp/calls.log" ] && { echo "--- calls so far:" >&2; cat "$tmp/calls.log" >&2; }
        [ -s "$tmp/autorun.out" ] && { echo "--- program output:" >&2; cat "$tmp/autorun.out" >&2; }
        echo "--- screenshots and logs kept in $tmp" >&2
    fi
    exit 1
}

cleanup() {
    local status=$?
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
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
        if [ -n "$xvfb_pid" ] && ! kill -0 "$xvfb_pid" 2>/dev/null; then
            fail "Xvfb ended while waiting for $what: $(cat "$tmp/xvfb.log")"
        fi
        if [ -n "$app_pid" ] && ! kill -0 "$app_pid" 2>/dev/null; then
            fail "the program ended while waiting for $what"
        fi
        [ "$SECONDS" -lt "$deadline" ] || fail "timed out after ${seconds}s waiting for $what"
        sleep 0.1
    done
}

for tool in Xvfb xdpyinfo xdotool xwininfo import convert realpath; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/setup.sh installs it)"
done
[ -x "$disc/autorun" ] || fail "there is no program at $disc/autorun: build the 'disc' target first"
[ -x "$close_window" ] || fail "the close-window helper $close_window is missing"

tmp=$(mktemp -d)
copy="$tmp/My Disc"
cp -R "$disc" "$copy"
ok "copied the disc to \"$copy\""

# --- a private X server --------------------------------------------------------------------
start_xvfb "$tmp" || fail "could not start Xvfb"
ok "Xvfb runs on $DISPLAY at ${screen_w}x${screen_h}"

# --- stand-ins on PATH ----------------------------------------------------------------------
# One log for the xdg-open stand-in and the disc's installer stand-in, so the order of calls shows.
log="$tmp/calls.log"
: >"$log"
export AUTORUN_STANDIN_LOG="$log"
mkdir "$tmp/bin"
cat >"$tmp/bin/xdg-open" <<'EOF'
#!/bin/sh
# Logs every argument on a line of its own, numbered, so an argument split at a blank shows.
i=0
for argument in "$@"; do
    i=$((i + 1))
    printf 'xdg-open %d/%d: %s\n' "$i" "$#" "$argument" >>"$AUTORUN_STANDIN_LOG"
done
exit 0
EOF
# The installer stand-in pops up xmessage, which would lie over the documentation window here.
printf '#!/bin/sh\nexit 0\n' >"$tmp/bin/xmessage"
chmod +x "$tmp/bin/xdg-open" "$tmp/bin/xmessage"
export PATH="$tmp/bin:$PATH"

# --- helpers -------------------------------------------------------------------------------

# count_colour <window> <colour> <x> <y> <w> <h>: pixels of exactly that colour in a box of the window.
count_colour() {
    local shot="$tmp/shot.miff"
    import -window "$1" "$shot" 2>/dev/null || { echo 0; return; }
    convert "$shot" -crop "${5}x${6}+${3}+${4}" +repage -depth 8 txt:- | grep -ci " $2 " || true
}
blue_in() { count_colour "$1" "$blue" "${@:2}"; }
has_blue() { [ "$(blue_in "$@")" -gt 0 ]; }
no_blue() { [ "$(blue_in "$@")" -eq 0 ]; }
white_in() { count_colour "$1" "#FFFFFF" "${@:2}"; }

# point_at <window> <x> <y>: moves the pointer there, from elsewhere, so the program sees motion.
point_at() {
    xdotool mousemove --window "$1" "$2" "$3"
}

# The program hands xdg-open the plain native path as one argument; a file URL naming the same
# file would do as well, so URLs are decoded and both sides canonicalised before comparing.
native_of() {
    local a=$1
    case $a in
    file://*)
        a=${a#file://}
        a=${a#localhost}
        a=$(printf '%b' "${a//%/\\x}")
        ;;
    esac
    realpath -m -- "$a"
}

calls() { wc -l <"$log"; }
seen=0
more_calls() { [ "$(calls)" -gt "$seen" ]; }

# expect_open <what> <expected path>: the next logged call is xdg-open with that one argument.
expect_open() {
    wait_for "xdg-open to be called for $1" 10 more_calls
    local line
    line=$(sed -n "$((seen + 1))p" "$log")
    seen=$((seen + 1))
    case $line in
    "xdg-open 1/1: "*) ;;
    "xdg-open "*) fail "$1: xdg-open was not handed exactly one argument: $line" ;;
    *) fail "$1: expected an xdg-open call, the log says: $line" ;;
    esac
    local handed=${line#xdg-open 1/1: }
    [ "$(native_of "$handed")" = "$(realpath -m -- "$2")" ] ||
        fail "$1: xdg-open got \"$handed\", expected \"$2\""
    local form="a native path"
    case $handed in file://*) form="a file URL" ;; esac
    ok "$1: xdg-open got one argument, \"$handed\" ($form)"
}

expect_line() {
    wait_for "$1" 10 more_calls
    local line
    line=$(sed -n "$((seen + 1))p" "$log")
    seen=$((seen + 1))
    [ "$line" = "$2" ] || fail "$1: expected \"$2\" in the log, found \"$line\""
    ok "$1: the log says \"$line\""
}

# --- the launcher --------------------------------------------------------------------------
(cd / && QT_QPA_PLATFORM=xcb exec "$copy/autorun") >"$tmp/autorun.out" 2>&1 &
app_pid=$!
ok "started \"$copy/autorun\" from / (pid $app_pid)"

wait_for "the window \"$title\"" 20 window_shown "$title"
launcher=$(visible_window "$title")
ok "the launcher window \"$title\" is shown (id $launcher)"

geometry=$(xwininfo -id "$launcher")
field() { printf '%s\n' "$geometry" | sed -n "s/^ *$1: *\(-\?[0-9]\+\).*/\1/p"; }
x=$(field "Absolute upper-left X") y=$(field "Absolute upper-left Y")
w=$(field "Width") h=$(field "Height")
[ "$w" = 599 ] && [ "$h" = 427 ] || fail "the launcher's client area is ${w}x${h}, expected 599x427"
ok "the launcher's client area is 599x427"
# Twice the offsets against the screen's free space, so half pixels need no rounding.
dx=$((2 * x - (screen_w - 599))) dy=$((2 * y - (screen_h - 427)))
[ "${dx#-}" -le 2 ] && [ "${dy#-}" -le 2 ] ||
    fail "the launcher is at $x,$y, not centred on the ${screen_w}x${screen_h} screen (expected about 340,298)"
ok "the launcher is centred: at $x,$y"

# The splash picture has thousands of colours; an unpainted window has one.
painted() {
    import -window "$1" "$tmp/shot.miff" 2>/dev/null &&
        [ "$(convert "$tmp/shot.miff" -format %k info:)" -gt 100 ]
}
wait_for "the launcher to paint its picture" 10 painted "$launcher"
point_at "$launcher" 20 20
wait_for "the launcher to show no highlighted button" 10 no_blue "$launcher" "${online_doc_box[@]}"
no_blue "$launcher" "${browse_box[@]}" || fail "\"Browse this CD\" is blue before it was pointed at"
white_before=$(white_in "$launcher" "${description_box[@]}")
ok "neither button is blue while the pointer is elsewhere"

point_at "$launcher" 376 132
wait_for "\"Online Documentation\" to turn blue under the pointer" 10 has_blue "$launcher" "${online_doc_box[@]}"
ok "pointing at \"Online Documentation\" turns it blue ($(blue_in "$launcher" "${online_doc_box[@]}") blue pixels)"
no_blue "$launcher" "${browse_box[@]}" || fail "\"Browse this CD\" turned blue too"
more_white() { [ "$(white_in "$launcher" "${description_box[@]}")" -gt "$white_before" ]; }
wait_for "the description line to appear" 10 more_white
ok "a white description line appears at the bottom"

point_at "$launcher" 300 164
wait_for "\"Browse this CD\" to turn blue under the pointer" 10 has_blue "$launcher" "${browse_box[@]}"
xdotool click --repeat 2 --delay 80 1
expect_open "double-click on \"Browse this CD\"" "$copy"

# --- the documentation window --------------------------------------------------------------
point_at "$launcher" 376 132
wait_for "\"Online Documentation\" to turn blue again" 10 has_blue "$launcher" "${online_doc_box[@]}"
xdotool click --repeat 2 --delay 80 1
wait_for "the window \"$doc_title\"" 15 window_shown "$doc_title"
doc=$(visible_window "$doc_title")
geometry=$(xwininfo -id "$doc")
w=$(field "Width") h=$(field "Height")
[ "$w" = 585 ] && [ "$h" = 262 ] || fail "the documentation window's client area is ${w}x${h}, expected 585x262"
ok "double-click on \"Online Documentation\" shows \"$doc_title\", 585x262 (id $doc)"

click_at() {
    point_at "$1" "$2" "$3"
    xdotool click 1
}

click_at "$doc" 150 $((doc_link_y[0] + 8))
expect_open "click on link 0" "$copy/docs/ALL/ALLDOC.PDF"

click_at "$doc" 150 $((doc_link_y[3] + 8))
expect_open "click on link 3" "$copy/docs/STD/STDDOC.PDF"

click_at "$doc" 370 88
expect_open "click on \"HTML Format\"" "$copy/docs/basis/html/index.htm"

click_at "$doc" 480 248
expect_line "click on \"Install Adobe Acrobat Reader\"" "installer-started"

# Nothing may come of the grey link; the next link's call, logged after it, shows the program got that far.
click_at "$doc" 150 $((doc_link_y[5] + 8))
click_at "$doc" 150 $((doc_link_y[1] + 8))
wait_for "the call for link 1" 10 more_calls
line=$(sed -n "$((seen + 1))p" "$log")
case $line in
*/docs/VOL1/VOL1DOC.PDF) ok "click on the grey link 5 started nothing (the next call is link 1's)" ;;
*) fail "click on the grey link 5 (or link 1) logged \"$line\"" ;;
esac
expect_open "click on link 1" "$copy/docs/VOL1/VOL1DOC.PDF"

"$close_window" "$doc" || fail "could not ask the documentation window to close"
wait_for "the documentation window to close" 10 window_gone "$doc_title"
ok "WM_DELETE_WINDOW closes the documentation window"

# --- back to the launcher ------------------------------------------------------------------
point_at "$launcher" 20 20
point_at "$launcher" 300 164
wait_for "the launcher to answer the pointer again" 10 has_blue "$launcher" "${browse_box[@]}"
ok "the launcher takes input again: \"Browse this CD\" turns blue under the pointer"

status=0
close_program "$close_window" "$launcher" "$app_pid" || status=$?
[ "$status" -eq 124 ] || app_pid=""
[ "$status" -eq 0 ] || fail "closing the launcher: $(close_outcome "$status")"
ok "WM_DELETE_WINDOW closes the launcher and the program ends with status 0"

[ "$(calls)" -eq "$seen" ] || fail "the log has calls nobody asked for: $(sed -n "$((seen + 1)),\$p" "$log")"
ok "no other calls were logged"
say "PASS  all checks"
