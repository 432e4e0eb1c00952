# Sourced by the scripts that run the program under a private X server: starting the server and a
# window manager, failing, waiting and cleaning up, finding windows, the designs' layout, and the
# program on the sample disc.
#
# start_xvfb <folder>: starts Xvfb (1280x1024x24, no TCP) with its log in <folder>, waits until it
# answers, and sets DISPLAY and xvfb_pid. Returns non-zero, with the reason on stderr, if it cannot.
#
# A random display, not the first free one -displayfd would take: other X servers on this machine
# may sit in another /tmp whose lock files are out of sight, and two servers on one number share
# the abstract socket, so clients reach the wrong one. Such a clash shows in the server's log.
start_xvfb() {
    local folder=$1 attempt display deadline
    for attempt in 1 2 3 4 5 6 7 8 9 10; do
        display=$((200 + RANDOM % 700))
        : >"$folder/xvfb.display"
        Xvfb ":$display" -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
            3>"$folder/xvfb.display" 2>"$folder/xvfb.log" &
        xvfb_pid=$!
        deadline=$((SECONDS + 15))
        while ! grep -qx '[0-9]\+' "$folder/xvfb.display" && kill -0 "$xvfb_pid" 2>/dev/null &&
            [ "$SECONDS" -lt "$deadline" ]; do
            sleep 0.05
        done
        if grep -qx '[0-9]\+' "$folder/xvfb.display" && kill -0 "$xvfb_pid" 2>/dev/null &&
            ! grep -qE 'already (running|active)|Listener\(\) failed' "$folder/xvfb.log" &&
            DISPLAY=":$display" xdpyinfo >/dev/null 2>&1; then
            export DISPLAY=":$display"
            unset WAYLAND_DISPLAY
            return 0
        fi
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=""
    done
    echo "Xvfb did not start on a display of its own; its last log:" >&2
    cat "$folder/xvfb.log" >&2
    return 1
}

# start_window_manager <log>: starts Metacity and waits, ten seconds at most, until it manages the
# screen, when the root window names its check window (_NET_SUPPORTING_WM_CHECK). Sets wm_pid.
start_window_manager() {
    metacity --sm-disable >"$1" 2>&1 &
    wm_pid=$!
    wait_for "the window manager" 10 window_manager_ready
}
window_manager_ready() {
    kill -0 "$wm_pid" 2>/dev/null || fail "the window manager ended as it started"
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id #'
}

# visible_window <title>: the id of the mapped window with exactly that title, if any.
visible_window() {
    local pattern
    pattern="^$(printf '%s' "$1" | sed 's/[][\.*^$(){}+?|]/\\&/g')\$"
    xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1
}
window_shown() { [ -n "$(visible_window "$1")" ]; }
window_gone() { [ -z "$(visible_window "$1")" ]; }

# close_program <close-window helper> <window> <pid>: closes the window as its close box would and
# waits, ten seconds at most, for the program to end. Returns the program's exit status, 124 when
# it is still running, 125 when the window could not be asked to close.
close_program() {
    local helper=$1 window=$2 pid=$3 deadline=$((SECONDS + 10)) status=0
    "$helper" "$window" || return 125
    while kill -0 "$pid" 2>/dev/null; do
        [ "$SECONDS" -lt "$deadline" ] || return 124
        sleep 0.1
    done
    wait "$pid" || status=$?
    return "$status"
}

# The text for a close_program result.
close_outcome() {
    case $1 in
    0) echo "the program ended with status 0" ;;
    124) echo "the program is still running 10 s after its window was closed" ;;
    125) echo "the window could not be asked to close" ;;
    *) echo "the program ended with status $1" ;;
    esac
}

# --- failing, waiting and cleaning up -------------------------------------------------------
# A script sets tmp (its folder for screenshots and logs), app_pid, xvfb_pid and wm_pid as it starts
# them, names in fail_logs the files a failure should show, and calls `trap cleanup EXIT`.
tmp=""
app_pid=""
xvfb_pid=""
wm_pid=""
failed=0
fail_logs=()

# fail <message>: says what failed, shows the logs in fail_logs, keeps tmp, and exits 1.
fail() {
    failed=1
    printf 'FAIL  %s\n' "$*" >&2
    local log
    for log in "${fail_logs[@]}"; do
        if [ -s "$log" ]; then
            echo "--- ${log##*/}:" >&2
            cat "$log" >&2
        fi
    done
    [ -z "$tmp" ] || echo "--- screenshots and logs kept in $tmp" >&2
    exit 1
}

# Ends the program, the window manager and the X server; removes tmp unless something failed.
cleanup() {
    local status=$?
    [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null || true
    [ -z "$wm_pid" ] || kill "$wm_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    [ -n "$tmp" ] || return 0
    if [ "$failed" -eq 0 ] && [ "$status" -eq 0 ]; then
        rm -rf "$tmp"
    elif [ "$failed" -eq 0 ]; then
        echo "FAIL  the script stopped unexpectedly (status $status); files kept in $tmp" >&2
    fi
}

# wait_for <what> <seconds> <command...>: polls the command until it succeeds; fails after the
# bound, or at once when the program or the X server has ended.
wait_for() {
    local what=$1 seconds=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        if [ -n "$xvfb_pid" ] && ! kill -0 "$xvfb_pid" 2>/dev/null; then
            fail "the X server ended while waiting for $what"
        fi
        if [ -n "$app_pid" ] && ! kill -0 "$app_pid" 2>/dev/null; then
            fail "the program ended while waiting for $what"
        fi
        [ "$SECONDS" -lt "$deadline" ] || fail "timed out after ${seconds}s waiting for $what"
        sleep 0.1
    done
}

# --- looking at windows ----------------------------------------------------------------------

# count_colour <window> <colour> <control>: pixels of exactly that colour (#RRGGBB) in the
# control's box.
count_colour() {
    known_control "$3"
    local -n area=$3
    import -window "$1" "$tmp/shot.miff" 2>/dev/null || { echo 0; return; }
    convert "$tmp/shot.miff" -crop "${area[2]}x${area[3]}+${area[0]}+${area[1]}" +repage -depth 8 txt:- |
        grep -ci " $2 " || true
}
has_colour() { [ "$(count_colour "$@")" -gt 0 ]; }
lacks_colour() { [ "$(count_colour "$@")" -eq 0 ]; }

# painted <window>: the window shows its picture; an unpainted window has a single colour.
painted() {
    import -window "$1" "$tmp/shot.miff" 2>/dev/null &&
        [ "$(convert "$tmp/shot.miff" -format %k info:)" -gt 100 ]
}

# --- the designs' layout ---------------------------------------------------------------------

# load_layout <command...>: defines the variables autorun_layout prints: each control's box
# (lblBtnText_0=(x y width height)), each window's title and client size, the design's colours.
load_layout() {
    local assignments
    assignments=$("$@" | tr -d '\r') && [ -n "$assignments" ] || fail "could not read the layout from $*"
    eval "$assignments"
}

# known_control <control>: fails, naming it, unless the designs have the control.
known_control() {
    declare -p "$1" >/dev/null 2>&1 || fail "the designs have no control $1"
}

# centre_of <control>: sets cx and cy to the middle of the control's box.
centre_of() {
    known_control "$1"
    local -n box=$1
    cx=$((box[0] + box[2] / 2))
    cy=$((box[1] + box[3] / 2))
}

# point_at <window> <control>: moves the pointer to the middle of the control.
point_at() {
    centre_of "$2"
    xdotool mousemove --window "$1" "$cx" "$cy"
}

# point_at_surface <window>: moves the pointer onto the window's bare surface, its top-left corner.
point_at_surface() {
    xdotool mousemove --window "$1" 1 1
}

# settled <window>: true once two screenshots in a row are the same, i.e. the window has finished
# painting. The screenshots go to the caller's $tmp.
settled() {
    import -window "$1" "$tmp/a.miff" 2>/dev/null && sleep 0.2 && import -window "$1" "$tmp/b.miff" 2>/dev/null &&
        [ "$(compare -metric AE "$tmp/a.miff" "$tmp/b.miff" null: 2>&1)" = 0 ]
}

# --- the program on the sample disc ----------------------------------------------------------

# What a script that runs the program on the sample disc builds, in the linux preset's tree.
sample_targets=(autorun disc e2e_close_window e2e_adopt autorun_layout)

# sample_session <build tree>: sets disc, the helpers close_window and adopt, the designs' layout with
# title and doc_title (the launcher's title on that disc and the documentation window's), tmp and
# fail_logs; sets the exit trap and starts Xvfb.
sample_session() {
    disc=$1/disc
    # Closes a window as a window manager's close box would; xdotool cannot.
    close_window=$1/tests/e2e_close_window
    # The disc's starter leaves once the launcher's window shows: the launcher is adopted and waited for.
    adopt=$1/tests/e2e_adopt
    load_layout "$1/tools/layout/autorun_layout" "$disc"
    title=$frmAutoRun_title
    doc_title=$frmOnlineDoc_title
    tmp=$(mktemp -d)
    fail_logs=("$tmp/autorun.out")
    trap cleanup EXIT
    start_xvfb "$tmp" || fail "could not start Xvfb"
}

# start_sample [NAME=value...]: starts the disc's program with those variables set, and waits until the
# launcher's window shows and is painted. Sets app_pid (that of the helper that adopts the launcher)
# and launcher.
start_sample() {
    (cd "$disc" && exec env QT_QPA_PLATFORM=xcb "$@" "$adopt" ./autorun) >"$tmp/autorun.out" 2>&1 &
    app_pid=$!
    wait_for "the launcher window" 20 window_shown "$title"
    launcher=$(visible_window "$title")
    wait_for "the launcher to paint" 10 painted "$launcher"
}

# stop_sample: closes the launcher as its close box would; fails unless the program then ends with
# status 0.
stop_sample() {
    local status=0
    close_program "$close_window" "$launcher" "$app_pid" || status=$?
    [ "$status" -eq 124 ] || app_pid=""
    [ "$status" -eq 0 ] || fail "$(close_outcome "$status")"
}
