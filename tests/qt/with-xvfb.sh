#!/bin/bash
# Runs a program under a private Xvfb server; the server is stopped however the program ends.
set -u
source "$(dirname "$0")/../../scripts/x11.sh"
work=$(mktemp -d)
xvfb_pid=
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_xvfb "$work" || exit 1
QT_QPA_PLATFORM=xcb "$@"
