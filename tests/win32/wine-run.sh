#!/bin/bash
# Runs a Windows program under Wine in the session that wine-session.sh started for the build.
# wine-run.sh <build folder> <program> [arguments]
set -u
source "$(dirname "$0")/wine-env.sh"
wine_env "$1"
shift

read_session
session_runs "$1" || exit
if [ -z "$display" ] || ! kill -0 "$xvfb_pid" 2>/dev/null || [ -z "$wine" ]; then
    echo "No Wine session is running for this build; ctest starts one with its wine.start test." >&2
    exit 1
fi
export DISPLAY=$display
# Tests that cannot run under CPU emulation ask for this.
if [ -n "$wine32_emulator" ] && [ "$(pe_bits "$1")" = 32 ]; then
    export AUTORUN_CPU_EMULATOR=$wine32_emulator
fi
exec "$wine" "$@"
