#!/bin/bash
# Runs a Windows program in the build's Wine session with the screen at another density: sets the
# user's LogPixels, which each process reads when it starts, runs the program, and puts the value
# back as it was. AUTORUN_TEST_DPI tells the program which density it was meant to get. Anything
# started meanwhile gets that density too, so such tests run alone (RUN_SERIAL).
# wine-dpi.sh <build folder> <dpi> <program> [arguments]
set -u
source "$(dirname "$0")/wine-env.sh"
wine_env "$1"
dpi=$2
shift 2

enter_session "$1"

key='HKCU\Control Panel\Desktop'
saved=$("$wine" reg query "$key" /v LogPixels 2>/dev/null | tr -d '\r' | awk '$1 == "LogPixels" { print $3 }')
restore() {
    if [ -n "$saved" ]; then
        "$wine" reg add "$key" /v LogPixels /t REG_DWORD /d $((saved)) /f
    else
        "$wine" reg delete "$key" /v LogPixels /f
    fi >/dev/null 2>&1
}
trap restore EXIT
"$wine" reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null || exit 1
export AUTORUN_TEST_DPI=$dpi
"$wine" "$@"
