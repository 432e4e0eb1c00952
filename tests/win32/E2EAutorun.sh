#!/usr/bin/env bash
# Drives the built Autorun.exe on a copy of the assembled disc under Wine, as a user would, on the
# build's Wine session display (no window manager), and checks what it shows and how it ends.
# With a release program given, the disc's Autorun.exe must be that very file, byte for byte.
# Exits with 77, saying why, where the session cannot run the disc's program.
set -euo pipefail
here=$(dirname "$0")
source "$here/../../scripts/x11.sh"
source "$here/wine-env.sh"

usage="usage: E2EAutorun.sh <build folder> <disc folder> <WindowTool.exe> <autorun_layout.exe> <open stand-in.exe> [release Autorun.exe]"
build=${1:?$usage}
disc=${2:?$usage}
tool=${3:?$usage}
layout=${4:?$usage}
opener=${5:?$usage}
release=${6:-}

title="VELMO Developers Kit v7.03"
doc_title="$title Online Documentation"

ok() { printf 'ok    %s\n' "$*"; }
# A disc's files may be read-only, as those of an image's tree are: the copy must be removable.
end() {
    local status=$?
    [ -z "$tmp" ] || chmod -R u+w "$tmp" 2>/dev/null || true
    ! declare -F restore_pdf_class >/dev/null || restore_pdf_class
    # A listener stuck in a call to a program that is gone would hold the session up.
    [ -z "${listener_pid:-}" ] || kill "$listener_pid" 2>/dev/null || true
    (exit "$status")
    cleanup
}
trap end EXIT

for program in xdotool xwininfo import convert wine; do
    command -v "$program" >/dev/null || fail "$program is not installed (scripts/setup.sh installs it)"
done
[ -f "$disc/Autorun.exe" ] || fail "there is no program at $disc/Autorun.exe: build the 'disc' target first"
[ -f "$tool" ] || fail "the window tool $tool is missing"
[ -f "$layout" ] || fail "the layout tool $layout is missing"
[ -f "$opener" ] || fail "the open stand-in $opener is missing"
if [ -n "$release" ]; then
    [ -f "$release" ] || fail "the release program $release has not been built"
    cmp -s "$release" "$disc/Autorun.exe" || fail "$disc/Autorun.exe is not the release program $release"
    ok "$disc/Autorun.exe is the release program $release"
fi

# --- the build's Wine session ----------------------------------------------------------------
wine_env "$build"
read_session
session_runs "$disc/Autorun.exe" || exit
[ -n "$display" ] && kill -0 "$xvfb_pid" 2>/dev/null ||
    fail "no Wine session runs for $build; ctest starts one with its wine.start test"
export DISPLAY=$display
# The session's X server outlives this script: cleanup must not end it.
xvfb_pid=""
ok "Wine session on $DISPLAY with prefix $WINEPREFIX; $(pe_bits "$disc/Autorun.exe")-bit Autorun.exe"
# Under CPU emulation the program takes about a minute to start and answers several times slower.
slow=1
if [ "$(pe_bits "$disc/Autorun.exe")" = 32 ] && [ -n "$wine32_emulator" ]; then
    slow=5
    ok "the program runs under CPU emulation by $wine32_emulator: waits are $slow times as long"
fi
load_layout "$wine" "$layout"

tmp=$(mktemp -d)
fail_logs=("$tmp/autorun.out")
copy="$tmp/My Disc"
cp -R "$disc" "$copy"
ok "copied the disc to \"$copy\""

# --- helpers -------------------------------------------------------------------------------

# geometry_of <title>: sets outer_*, client_*, screen_* and enabled as Windows reports them.
geometry_of() {
    local report
    report=$("$wine" "$tool" geometry "$1" 2>/dev/null | tr -d '\r') || return 1
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

has_blue() { has_colour "$1" "$ColorBtnHover" "$2"; }
no_blue() { lacks_colour "$1" "$ColorBtnHover" "$2"; }
white_in() { count_colour "$1" "#FFFFFF" "$2"; }

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
launcher_has_keyboard() { geometry_of "$title" && [ "$enabled" = 1 ] && [ "$active" = 1 ] && [ "$focused" = 1 ]; }

# keys <title> <key>...: types the keys into the window, as the keyboard would.
keys() { "$wine" "$tool" keys "$@" >/dev/null || fail "could not type \"${*:2}\" into \"$1\""; }

# The shell opens manuals with the stand-in, which logs each call; the prefix's own association for
# .pdf comes back at the end (Wine's shell reads the machine's classes only).
pdf_saved=""
use_opener_for_pdf() {
    pdf_saved=$tmp/pdf.reg
    "$wine" reg export 'HKLM\Software\Classes\.pdf' "$(winpath "$pdf_saved")" /y >/dev/null 2>&1 || : >"$pdf_saved"
    "$wine" reg add 'HKLM\Software\Classes\AutorunE2E.Manual\shell\open\command' /ve /f \
        /d "\"$(winpath "$opener")\" \"%1\"" >/dev/null &&
        "$wine" reg add 'HKLM\Software\Classes\.pdf' /ve /d AutorunE2E.Manual /f >/dev/null ||
        fail "could not have the shell open manuals with $opener"
}
restore_pdf_class() {
    [ -n "${pdf_saved:-}" ] || return 0
    "$wine" reg delete 'HKLM\Software\Classes\AutorunE2E.Manual' /f >/dev/null 2>&1
    "$wine" reg delete 'HKLM\Software\Classes\.pdf' /f >/dev/null 2>&1
    [ ! -s "$pdf_saved" ] || "$wine" reg import "$(winpath "$pdf_saved")" >/dev/null 2>&1
    pdf_saved=""
}
# winpath <unix path>: the path as Windows programs in the session see it.
winpath() { printf 'Z:%s' "${1//\//\\}"; }
opened() { [ -s "$open_log" ]; }

# A screen reader in a process of its own (WindowTool listen) logs each event the program raises,
# as "<event> "<window title>" <child> <role> "<name>" <state>".
events=""
listening() { grep -q '^listening' "$events" 2>/dev/null; }
mark_events() { mark=$(wc -l <"$events"); }
# heard <event> <window title> <role> <name>: the listener heard it since the mark.
heard() {
    tail -n "+$((mark + 1))" "$events" | tr -d '\r' | grep -F "$1 \"$2\" " | grep -qF " $3 \"$4\" "
}
# Roles as MSAA numbers them.
role_text=41 role_button=43 role_link=30
launcher_disabled() { geometry_of "$title" && [ "$enabled" = 0 ]; }

# --- the launcher --------------------------------------------------------------------------
open_log=$tmp/opened.log
use_opener_for_pdf
export AUTORUN_OPEN_LOG
AUTORUN_OPEN_LOG=$(winpath "$open_log")
(cd / && exec "$wine" "$copy/Autorun.exe") >"$tmp/autorun.out" 2>&1 &
app_pid=$!
ok "started \"$copy/Autorun.exe\" from / (pid $app_pid)"

wait_for "the window \"$title\"" $((60 * slow)) window_shown "$title"
launcher=$(visible_window "$title")
ok "the launcher window \"$title\" is shown (id $launcher)"
check_window "$title" 599 427

wait_for "the launcher to paint its picture" $((10 * slow)) painted "$launcher"
point_at_surface "$launcher"
wait_for "the launcher to show no highlighted button" $((10 * slow)) no_blue "$launcher" lblBtnText_0
white_before=$(white_in "$launcher" lblDescr)
ok "no button is highlighted while the pointer is elsewhere"

point_at "$launcher" lblBtnText_0
wait_for "\"Online Documentation\" to turn blue under the pointer" $((10 * slow)) has_blue "$launcher" lblBtnText_0
no_blue "$launcher" lblBtnText_1 || fail "\"Browse this CD\" turned blue too"
more_white() { [ "$(white_in "$launcher" lblDescr)" -gt "$white_before" ]; }
wait_for "the description line to appear" $((10 * slow)) more_white
ok "pointing at \"Online Documentation\" turns it blue and shows its description"

# --- the documentation window --------------------------------------------------------------
xdotool click --repeat 2 --delay 80 1
wait_for "the window \"$doc_title\"" $((20 * slow)) window_shown "$doc_title"
ok "double-click on \"Online Documentation\" shows \"$doc_title\""
check_window "$doc_title" 585 262
launcher_disabled || fail "the launcher takes input while the documentation window is open"
ok "the launcher is disabled while the documentation window is open"

"$wine" "$tool" close "$doc_title" || fail "could not ask the documentation window to close"
wait_for "the documentation window to close" $((10 * slow)) window_gone "$doc_title"
wait_for "the launcher to take input again" $((10 * slow)) launcher_enabled
ok "closing the documentation window gives the launcher back"

point_at_surface "$launcher"
point_at "$launcher" lblBtnText_1
wait_for "\"Browse this CD\" to turn blue under the pointer" $((10 * slow)) has_blue "$launcher" lblBtnText_1
ok "the launcher answers the pointer again"

# --- the keyboard alone --------------------------------------------------------------------
events=$tmp/events.log
"$wine" "$tool" listen "$title" "$(winpath "$events")" >"$tmp/listener.out" 2>&1 &
listener_pid=$!
fail_logs+=("$events" "$tmp/listener.out")
wait_for "a screen reader to listen to the program" $((20 * slow)) listening
point_at_surface "$launcher"
wait_for "the launcher to show no highlighted button" $((10 * slow)) no_blue "$launcher" lblBtnText_1
# Out of the window, where it moves nothing.
xdotool mousemove 0 0
mark_events
keys "$title" tab
wait_for "Tab to turn \"Online Documentation\" blue" $((10 * slow)) has_blue "$launcher" lblBtnText_0
no_blue "$launcher" lblBtnText_1 || fail "\"Browse this CD\" turned blue too"
ok "Tab lights \"Online Documentation\""
description="Read the kit's manuals on screen (needs Adobe Acrobat Reader)."
wait_for "a screen reader to hear the button get the focus" $((10 * slow)) heard focus "$title" $role_button "Online Documentation"
wait_for "a screen reader to hear the description line" $((10 * slow)) heard name "$title" $role_text "$description"
heard show "$title" $role_text "$description" || fail "a screen reader was not told the description line appeared"
ok "another process hears: focus on button \"Online Documentation\"; text \"$description\" shown and named"
keys "$title" enter
wait_for "Enter to show \"$doc_title\"" $((20 * slow)) window_shown "$doc_title"
launcher_disabled || fail "the launcher takes input while the documentation window is open"
ok "Enter on \"Online Documentation\" shows \"$doc_title\""
mark_events
keys "$doc_title" tab enter
wait_for "Enter to open the first manual" $((20 * slow)) opened
wait_for "a screen reader to hear the first link get the focus" $((10 * slow)) heard focus "$doc_title" $role_link "File Descriptions All Volumes"
ok "another process hears: focus on link \"File Descriptions All Volumes\""
opened_line=$(head -n 1 "$open_log" | tr -d '\r')
expected_manual='\My Disc\docs\ALL\ALLDOC.PDF'
[[ ${opened_line//\\\\/\\} == "3|1|"*"$expected_manual" ]] ||
    fail "the shell was asked for \"$opened_line\", not the first manual ...$expected_manual, maximised"
ok "Tab and Enter open the first manual: $opened_line"
mark_events
keys "$doc_title" escape
wait_for "Escape to close the documentation window" $((10 * slow)) window_gone "$doc_title"
wait_for "the launcher to take the keyboard again" $((10 * slow)) launcher_has_keyboard
has_blue "$launcher" lblBtnText_0 || fail "\"Online Documentation\" is no longer lit after Escape"
ok "Escape closes the documentation window; the launcher has the keyboard, its button still lit"
wait_for "a screen reader to hear the focus come back" $((10 * slow)) heard focus "$title" $role_button "Online Documentation"
# Whatever the system says of the window comes first: the reader is left on the button.
sleep "$slow"
last_focus=$(tr -d '\r' <"$events" | grep '^focus ' | tail -n 1)
[[ $last_focus == "focus \"$title\" "*" $role_button \"Online Documentation\" "* ]] ||
    fail "a screen reader last heard \"$last_focus\", not the focus on \"Online Documentation\""
ok "another process hears: focus on button \"Online Documentation\" again, after the window's own"

# --- the end -------------------------------------------------------------------------------
"$wine" "$tool" close "$title" || fail "could not ask the launcher to close"
deadline=$((SECONDS + 15 * slow))
while kill -0 "$app_pid" 2>/dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || fail "the program still runs $((15 * slow)) s after its launcher was closed"
    sleep 0.1
done
status=0
wait "$app_pid" || status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "the program ended with status $status"
ok "closing the launcher ends the program with status 0"
ok "a screen reader in another process heard $(grep -c . "$events") lines, kept with the logs on failure"
echo "PASS  all checks"
