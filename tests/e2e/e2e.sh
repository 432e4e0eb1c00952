#!/usr/bin/env bash
# Drives the Qt program on a copy of an assembled disc, as a user would, under a private
# X server without a window manager, and checks what it shows and what it starts.
# Usage: e2e.sh <disc folder> <close-window helper> <layout tool>
# E2E_IN_PLACE=1 runs the program where the disc is (a mounted image) rather than from a copy of it;
# E2E_RUN is a command the program is started through (as another user, in another root), and
# E2E_USER the user the program must then run as.
# E2E_WALK=keyboard walks both windows with keys alone instead of with the pointer.
# E2E_WALK=unmounted runs E2E_UNMOUNT once the launcher shows (a lazy unmount of the disc under it), then
# checks that every action says the disc is gone and nothing is opened elsewhere.
set -euo pipefail
source "$(dirname "$0")/../../scripts/x11.sh"

usage="usage: e2e.sh <disc folder> <close-window helper> <layout tool>"
disc=${1:?$usage}
close_window=${2:?$usage}
layout=${3:?$usage}

title="VELMO Developers Kit v7.03"
doc_title="$title Online Documentation"
screen_w=1280
screen_h=1024

say() { printf '%s\n' "$*"; }
ok() { printf 'ok    %s\n' "$*"; }
trap cleanup EXIT

for tool in Xvfb xdpyinfo xdotool xwininfo import convert realpath; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/setup.sh installs it)"
done
[ -x "$disc/autorun" ] || fail "there is no program at $disc/autorun: build the 'disc' target first"
[ -x "$close_window" ] || fail "the close-window helper $close_window is missing"
load_layout "$layout"

tmp=$(mktemp -d)
fail_logs=("$tmp/calls.log" "$tmp/autorun.out" "$tmp/xvfb.log")
if [ "${E2E_IN_PLACE:-}" = 1 ]; then
    copy=$(cd "$disc" && pwd)
    ok "running the program where the disc is: \"$copy\""
else
    # A blank and a backslash in the folder's name: on Linux both are ordinary characters of a name.
    copy="$tmp/My Disc\\v7"
    cp -R "$disc" "$copy"
    # The folder the name would be if its backslash were read as a separator: nothing may come from here.
    mkdir -p "$tmp/My Disc/v7/docs/ALL"
    printf '[App Info]\r\n1=Not the disc\r\n' >"$tmp/My Disc/v7/autorun.inf"
    ok "copied the disc to \"$copy\", beside a decoy at \"$tmp/My Disc/v7\""
fi
run=()
[ -z "${E2E_RUN:-}" ] || read -ra run <<<"$E2E_RUN"

# --- a private X server --------------------------------------------------------------------
start_xvfb "$tmp" || fail "could not start Xvfb"
ok "Xvfb runs on $DISPLAY at ${screen_w}x${screen_h}"

# --- stand-ins on PATH ----------------------------------------------------------------------
# One log for the xdg-open stand-in and the disc's installer stand-in, so the order of calls shows.
log="$tmp/calls.log"
: >"$log"
: >"$log.env"
export AUTORUN_STANDIN_LOG="$log"
mkdir "$tmp/bin"
cat >"$tmp/bin/xdg-open" <<'EOF'
#!/bin/sh
# Notes anything of the launcher's own in the environment it hands on, which must be the user's.
env | grep -E '^(AUTORUN_LAUNCH_FOLDER|LD_LIBRARY_PATH|QT_PLUGIN_PATH|QT_QPA_PLATFORM_PLUGIN_PATH)=' >>"$AUTORUN_STANDIN_LOG.env"
[ "${E2E_USER_MARKER:-}" = kept ] || echo "E2E_USER_MARKER, set for the launcher, did not reach xdg-open" >>"$AUTORUN_STANDIN_LOG.env"
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
if [ ${#run[@]} -gt 0 ]; then
    # The program may run as another user: it must reach the stand-ins and write their log.
    chmod 755 "$tmp" "$tmp/bin"
    chmod 666 "$log" "$log.env"
fi
export PATH="$tmp/bin:$PATH"

# --- helpers -------------------------------------------------------------------------------

blue_in() { count_colour "$1" "$ColorBtnHover" "$2"; }
has_blue() { has_colour "$1" "$ColorBtnHover" "$2"; }
no_blue() { lacks_colour "$1" "$ColorBtnHover" "$2"; }
white_in() { count_colour "$1" "#FFFFFF" "$2"; }

# click_at <window> <control>: a single click in the middle of the control.
click_at() {
    point_at "$1" "$2"
    xdotool click 1
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

# on_disc <relative path>: that file on the disc, each part matched regardless of case as the
# program matches it (a disc mastered with 8.3 names shows them in another case).
on_disc() {
    local path=$copy part match
    local -a parts
    IFS=/ read -ra parts <<<"$1"
    for part in "${parts[@]}"; do
        match=$(find "$path/" -mindepth 1 -maxdepth 1 -iname "$part" -print -quit 2>/dev/null)
        path=${match:-$path/$part}
    done
    printf '%s\n' "$path"
}

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
walk=${E2E_WALK:-pointer}
case $walk in
pointer | keyboard | unmounted) ;;
*) fail "E2E_WALK is \"$walk\", not pointer, keyboard or unmounted" ;;
esac
# For the keyboard the pointer rests outside where the launcher appears, and stays there.
[ "$walk" = pointer ] || xdotool mousemove 0 0
# The disc's starter leaves once the window shows; the launcher it started is adopted and waited for.
adopt=$(dirname "$close_window")/e2e_adopt
(cd / && E2E_USER_MARKER=kept QT_QPA_PLATFORM=xcb exec "$adopt" "${run[@]}" "$copy/autorun") >"$tmp/autorun.out" 2>&1 &
app_pid=$!
ok "started \"$copy/autorun\" from / (pid $app_pid${run:+, through ${run[*]}})"

shown_from_the_disc() {
    ! window_shown "Not the disc" || fail "the program read the decoy's autorun.inf"
    window_shown "$title"
}
wait_for "the window \"$title\"" 20 shown_from_the_disc
launcher=$(visible_window "$title")
ok "the launcher window \"$title\" is shown (id $launcher), titled from the disc's autorun.inf"
if [ -n "${E2E_USER:-}" ]; then
    user=$(ps -o user= -p "$(xdotool getwindowpid "$launcher")")
    [ "$user" = "$E2E_USER" ] || fail "the program runs as \"$user\", not as $E2E_USER"
    ok "the program runs as $user"
fi

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

wait_for "the launcher to paint its picture" 10 painted "$launcher"

# environment_handed_on: what the launcher started had the user's environment and nothing of its own.
environment_handed_on() {
    [ ! -s "$log.env" ] || fail "the launcher handed on an environment of its own: $(cat "$log.env")"
    ok "what the launcher started got the user's environment, with nothing of the launcher's in it"
}

# --- the disc unmounted under the running launcher -------------------------------------------
# expect_box <what>: a failure box titled "Autorun" appears; it is closed again.
expect_box() {
    wait_for "a box to report $1" 10 window_shown Autorun
    "$close_window" "$(visible_window Autorun)" || fail "could not close the box that reported $1"
    wait_for "the box to close" 10 window_gone Autorun
    ok "$1 is reported in a box"
}
if [ "$walk" = unmounted ]; then
    ${E2E_UNMOUNT:?E2E_WALK=unmounted needs E2E_UNMOUNT}
    ok "the disc is unmounted lazily under the running launcher (${E2E_UNMOUNT})"
    point_at "$launcher" lblBtnText_0
    xdotool click --repeat 2 --delay 80 1
    wait_for "the window \"$doc_title\"" 15 window_shown "$doc_title"
    doc=$(visible_window "$doc_title")
    click_at "$doc" lblCases_6
    expect_box "\"HTML Format\" on a disc that is gone"
    click_at "$doc" InstAcrobat_19
    expect_box "the installer on a disc that is gone"
    "$close_window" "$doc" || fail "could not ask the documentation window to close"
    wait_for "the documentation window to close" 10 window_gone "$doc_title"
    point_at "$launcher" lblBtnText_1
    xdotool click --repeat 2 --delay 80 1
    expect_box "\"Browse this CD\" on a disc that is gone"
    status=0
    close_program "$close_window" "$launcher" "$app_pid" || status=$?
    [ "$status" -eq 124 ] || app_pid=""
    [ "$status" -eq 0 ] || fail "closing the launcher: $(close_outcome "$status")"
    [ "$(calls)" -eq 0 ] || fail "something was opened in the disc's stead: $(cat "$log")"
    ok "nothing was opened or started in the disc's stead"
    say "PASS  all checks (the disc unmounted under the launcher)"
    exit 0
fi

# --- the same with keys alone ------------------------------------------------------------------
has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
# key <key>: a real key press and release, to whichever window has the keyboard.
key() { xdotool key "$1"; }
black_in() { count_colour "$1" "#000000" "$2"; }
# focus_on <doc> <link>: the dotted focus rectangle is drawn around that link and no other.
focus_on() {
    local link
    for link in lblCases_0 lblCases_1 lblCases_2 lblCases_3 lblCases_6 InstAcrobat_19; do
        if [ "$link" = "$2" ]; then
            [ "$(black_in "$1" "$link")" -gt 8 ] || return 1
        else
            [ "$(black_in "$1" "$link")" -eq 0 ] || return 1
        fi
    done
}

if [ "$walk" = keyboard ]; then
    wait_for "the launcher to have the keyboard" 10 has_focus "$launcher"
    ok "the launcher has the keyboard as it appears"
    no_blue "$launcher" lblBtnText_0 && no_blue "$launcher" lblBtnText_1 ||
        fail "a button is blue before any key was pressed"
    white_before=$(white_in "$launcher" lblDescr)
    key Tab
    wait_for "Tab to light \"Online Documentation\"" 10 has_blue "$launcher" lblBtnText_0
    more_white() { [ "$(white_in "$launcher" lblDescr)" -gt "$white_before" ]; }
    wait_for "the description line to appear" 10 more_white
    ok "Tab lights \"Online Documentation\" and shows its description"
    key Down
    wait_for "Down to light \"Browse this CD\"" 10 has_blue "$launcher" lblBtnText_1
    no_blue "$launcher" lblBtnText_0 || fail "\"Online Documentation\" stays blue after Down"
    key shift+Tab
    wait_for "Shift+Tab to light \"Online Documentation\" again" 10 has_blue "$launcher" lblBtnText_0
    ok "Down and Shift+Tab move the highlight between the buttons"

    key Return
    wait_for "the window \"$doc_title\"" 15 window_shown "$doc_title"
    doc=$(visible_window "$doc_title")
    wait_for "the documentation window to have the keyboard" 10 has_focus "$doc"
    wait_for "the documentation window to paint its links" 10 has_colour "$doc" "$ColorDocLink" lblCases_0
    focus_on "$doc" none || fail "a focus rectangle is drawn before any key was pressed"
    ok "Return on \"Online Documentation\" shows \"$doc_title\" with the keyboard and no focus drawn"
    key Tab
    wait_for "Tab to draw the focus around link 0" 10 focus_on "$doc" lblCases_0
    key Tab
    wait_for "Tab to move the focus to link 1" 10 focus_on "$doc" lblCases_1
    ok "Tab draws the focus rectangle around link 0, then link 1"
    key Return
    expect_open "Return on link 1" "$(on_disc docs/VOL1/VOL1DOC.PDF)"
    # Past link 2 and 3; the greyed places 4 and 5 are skipped.
    key Tab
    key Tab
    key Tab
    wait_for "Tab to pass the greyed links to \"HTML Format\"" 10 focus_on "$doc" lblCases_6
    key space
    expect_open "Space on \"HTML Format\"" "$(on_disc docs/basis/html/index.htm)"
    key Escape
    wait_for "Escape to close the documentation window" 10 window_gone "$doc_title"
    ok "Escape closes the documentation window"

    wait_for "the launcher to have the keyboard back" 10 has_focus "$launcher"
    has_blue "$launcher" lblBtnText_0 || fail "\"Online Documentation\" lost its highlight"
    ok "the launcher has the keyboard back, \"Online Documentation\" still lit"
    key Down
    wait_for "Down to light \"Browse this CD\"" 10 has_blue "$launcher" lblBtnText_1
    key Return
    expect_open "Return on \"Browse this CD\"" "$copy"

    status=0
    close_program "$close_window" "$launcher" "$app_pid" || status=$?
    [ "$status" -eq 124 ] || app_pid=""
    [ "$status" -eq 0 ] || fail "closing the launcher: $(close_outcome "$status")"
    [ "$(calls)" -eq "$seen" ] || fail "the log has calls nobody asked for: $(sed -n "$((seen + 1)),\$p" "$log")"
    ok "no other calls were logged"
    environment_handed_on
    say "PASS  all checks (keys alone)"
    exit 0
fi

point_at_surface "$launcher"
wait_for "the launcher to show no highlighted button" 10 no_blue "$launcher" lblBtnText_0
no_blue "$launcher" lblBtnText_1 || fail "\"Browse this CD\" is blue before it was pointed at"
white_before=$(white_in "$launcher" lblDescr)
ok "neither button is blue while the pointer is elsewhere"

point_at "$launcher" lblBtnText_0
wait_for "\"Online Documentation\" to turn blue under the pointer" 10 has_blue "$launcher" lblBtnText_0
ok "pointing at \"Online Documentation\" turns it blue ($(blue_in "$launcher" lblBtnText_0) blue pixels)"
no_blue "$launcher" lblBtnText_1 || fail "\"Browse this CD\" turned blue too"
more_white() { [ "$(white_in "$launcher" lblDescr)" -gt "$white_before" ]; }
wait_for "the description line to appear" 10 more_white
ok "a white description line appears at the bottom"

point_at "$launcher" lblBtnText_1
wait_for "\"Browse this CD\" to turn blue under the pointer" 10 has_blue "$launcher" lblBtnText_1
xdotool click --repeat 2 --delay 80 1
expect_open "double-click on \"Browse this CD\"" "$copy"

# --- the documentation window --------------------------------------------------------------
point_at "$launcher" lblBtnText_0
wait_for "\"Online Documentation\" to turn blue again" 10 has_blue "$launcher" lblBtnText_0
xdotool click --repeat 2 --delay 80 1
wait_for "the window \"$doc_title\"" 15 window_shown "$doc_title"
doc=$(visible_window "$doc_title")
geometry=$(xwininfo -id "$doc")
w=$(field "Width") h=$(field "Height")
[ "$w" = 585 ] && [ "$h" = 262 ] || fail "the documentation window's client area is ${w}x${h}, expected 585x262"
ok "double-click on \"Online Documentation\" shows \"$doc_title\", 585x262 (id $doc)"

click_at "$doc" lblCases_0
expect_open "click on link 0" "$(on_disc docs/ALL/ALLDOC.PDF)"

click_at "$doc" lblCases_3
expect_open "click on link 3" "$(on_disc docs/STD/STDDOC.PDF)"

click_at "$doc" lblCases_6
expect_open "click on \"HTML Format\"" "$(on_disc docs/basis/html/index.htm)"

click_at "$doc" InstAcrobat_19
expect_line "click on \"Install Adobe Acrobat Reader\"" "installer-started"

# Nothing may come of the grey link; the next link's call, logged after it, shows the program got that far.
click_at "$doc" lblCases_5
click_at "$doc" lblCases_1
wait_for "the call for link 1" 10 more_calls
line=$(sed -n "$((seen + 1))p" "$log")
case ${line,,} in # in whatever case the disc shows the name
*/docs/vol1/vol1doc.pdf) ok "click on the grey link 5 started nothing (the next call is link 1's)" ;;
*) fail "click on the grey link 5 (or link 1) logged \"$line\"" ;;
esac
expect_open "click on link 1" "$(on_disc docs/VOL1/VOL1DOC.PDF)"

"$close_window" "$doc" || fail "could not ask the documentation window to close"
wait_for "the documentation window to close" 10 window_gone "$doc_title"
ok "WM_DELETE_WINDOW closes the documentation window"

# --- back to the launcher ------------------------------------------------------------------
point_at_surface "$launcher"
point_at "$launcher" lblBtnText_1
wait_for "the launcher to answer the pointer again" 10 has_blue "$launcher" lblBtnText_1
ok "the launcher takes input again: \"Browse this CD\" turns blue under the pointer"

status=0
close_program "$close_window" "$launcher" "$app_pid" || status=$?
[ "$status" -eq 124 ] || app_pid=""
[ "$status" -eq 0 ] || fail "closing the launcher: $(close_outcome "$status")"
ok "WM_DELETE_WINDOW closes the launcher and the program ends with status 0"

[ "$(calls)" -eq "$seen" ] || fail "the log has calls nobody asked for: $(sed -n "$((seen + 1)),\$p" "$log")"
ok "no other calls were logged"
environment_handed_on
say "PASS  all checks"
