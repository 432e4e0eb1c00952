# Sourced by the scripts that run the program under a private X server: starting the server
# and finding windows by title.
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
