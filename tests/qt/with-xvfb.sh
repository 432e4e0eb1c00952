#!/bin/bash
# Runs a program under a private Xvfb server on a free display; the server is stopped however the program ends.
set -u
work=$(mktemp -d)
xvfb=
cleanup() {
    if [ -n "$xvfb" ]; then
        kill "$xvfb" 2>/dev/null
        wait "$xvfb" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# -displayfd picks a free display and writes its number once the server accepts clients.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
if ! read -r display <"$work/display" || [ -z "$display" ]; then
    echo "with-xvfb: Xvfb did not start" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi

DISPLAY=":$display" QT_QPA_PLATFORM=xcb "$@"
status=$?
exit "$status"
