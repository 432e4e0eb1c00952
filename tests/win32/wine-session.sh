#!/bin/bash
# Starts and stops the Wine session the Windows tests of a build share: a private Xvfb, the build's
# own Wine prefix (made on first use, and again when another Wine is installed) and a persistent
# wineserver, so that each test starts in a fraction of a second and no test run disturbs another.
# Where Wine cannot run the build's programs (32-bit ones on a kernel without 32-bit support), start
# records why and exits with 77, and every test of the session reports itself skipped with that.
# A build given another build's prefix starts from a copy of it where its own is missing and the
# other was made by the same Wine: making one where 32-bit programs run under CPU emulation takes
# minutes.
# wine-session.sh start <build folder> <WindowTool.exe> [prefix to copy] | stop <build folder>
set -u
usage="usage: $0 start <build folder> <WindowTool.exe> [prefix to copy] | stop <build folder>"
if [ $# -lt 2 ] || [ ! -d "$2" ] || { [ "$1" = start ] && [ ! -f "${3:-}" ]; }; then
    echo "$usage" >&2
    exit 2
fi
tool=${3:-}
seed=${4:-}
here=$(dirname "$0")
source "$here/../../scripts/x11.sh"
source "$here/wine-env.sh"
build=$(cd "$2" && pwd)
wine_env "$build"

# Is pid still the process that the session file says it is? Pids are reused after a reboot.
is_ours() {
    local pid=$1 name=$2 needle=$3
    [ -n "$pid" ] && [ -r "/proc/$pid/cmdline" ] || return 1
    [ "$(cut -d' ' -f3 "/proc/$pid/stat" 2>/dev/null)" != Z ] || return 1
    tr '\0' '\n' <"/proc/$pid/cmdline" | head -n 1 | grep -q "$name" || return 1
    tr '\0' '\n' <"/proc/$pid/$4" 2>/dev/null | grep -qxF -- "$needle"
}

# Waits up to ten seconds for a process to end; an unreaped zombie has ended.
wait_gone() {
    local deadline=$((SECONDS + 10))
    while [ -e "/proc/$1" ] && [ "$(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null)" != Z ]; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# The persistent wineserver of this prefix, if one runs.
server_pid() {
    local process name
    for process in /proc/[0-9]*; do
        read -r name <"$process/comm" 2>/dev/null || continue
        [[ $name == wineserver* ]] || continue
        if is_ours "${process#/proc/}" wineserver "WINEPREFIX=$WINEPREFIX" environ; then
            echo "${process#/proc/}"
            return
        fi
    done
}

# Ends the session the record names, also one left behind by an interrupted run.
stop() {
    local status=0
    read_session
    is_ours "$wineserver_pid" wineserver "WINEPREFIX=$WINEPREFIX" environ || wineserver_pid=$(server_pid)
    [ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1
    if [ -n "$wineserver_pid" ] && ! wait_gone "$wineserver_pid"; then
        echo "wineserver $wineserver_pid did not end" >&2
        status=1
    fi
    if is_ours "$xvfb_pid" Xvfb "$display" cmdline; then
        kill "$xvfb_pid"
        if ! wait_gone "$xvfb_pid"; then
            echo "Xvfb $xvfb_pid did not end" >&2
            status=1
        fi
    fi
    rm -f "$session_file"
    return "$status"
}

is_ctest() {
    [ -n "$1" ] && [ "$(cat "/proc/$1/comm" 2>/dev/null)" = ctest ]
}

# Does a test run other than the one this script was started by use the session?
other_run_owns() {
    read_session
    [ "$owner_pid" != "$PPID" ] && is_ctest "$owner_pid"
}

# Copies the seed prefix, if it was made in full by this Wine and no wineserver has it open.
copy_prefix() {
    [ -n "$seed" ] && [ -d "$seed" ] || return 0
    [ "$(cat "$seed/.ready" 2>/dev/null)" = "$(wine_identity)" ] || return 0
    local own=$WINEPREFIX
    WINEPREFIX=$(cd "$seed" && pwd)
    local busy
    busy=$(server_pid)
    WINEPREFIX=$own
    [ -z "$busy" ] || return 0
    if cp -a "$seed" "$WINEPREFIX.copy" && mv "$WINEPREFIX.copy" "$WINEPREFIX"; then
        echo "Copied the Wine prefix $seed, made by the same Wine, to $WINEPREFIX"
    else
        rm -rf "$WINEPREFIX.copy"
    fi
}

# build_bits: 32 or 64, the size of the build's own test programs.
build_bits() {
    local program
    for program in "$build"/tests/*.exe; do
        pe_bits "$program" && return
    done
}

# boots_32_bit: whether a 32-bit Wine process starts and ends well; if not, says why.
boots_32_bit() {
    local out
    out=$(WINEDEBUG=err+all timeout 600 "$wine" 'C:\windows\syswow64\hostname.exe' </dev/null 2>&1) && return
    echo "a 32-bit Wine process does not start under $wine32_emulator on this machine" \
        "($(uname -r)): $(grep -m1 -e 'wine:' -e 'err:' <<<"$out" | sed 's/^[0-9a-f]*://')"
    return 1
}

start() {
    if other_run_owns; then
        echo "Another test run (ctest $owner_pid) is using this build's Wine session." >&2
        return 2
    fi
    stop || return 1
    wine_loaders || return 1
    mkdir -p "$session_folder"
    # The build's programs are all of one size, as its window tool is.
    local why
    if ! why=$(wine_runs "$tool"); then
        printf 'owner_pid=%s\nskip=%s\n' "$PPID" "$why" >"$session_file"
        echo "SKIPPED: $why"
        return 77
    fi
    wine_prefix_check
    [ -d "$WINEPREFIX" ] || copy_prefix
    mkdir -p "$WINEPREFIX"
    # Background processes get files for their output: CTest waits for every holder of its pipes.
    start_xvfb "$session_folder" </dev/null >/dev/null || return 1
    printf 'owner_pid=%s\ndisplay=%s\nxvfb_pid=%s\n' "$PPID" "$DISPLAY" "$xvfb_pid" >"$session_file"
    printf 'wine=%s\nwine32=%s\nwine64=%s\nwine32_why=%s\nwine32_emulator=%s\n' \
        "$wine" "$wine32" "$wine64" "$wine32_why" "$wine32_emulator" >>"$session_file"

    local log=$session_folder/wine.log
    : >"$log"
    if ! wineserver -p </dev/null >>"$log" 2>&1; then
        echo "wineserver did not start:" >&2
        cat "$log" >&2
        return 1
    fi
    printf 'wineserver_pid=%s\n' "$(server_pid)" >>"$session_file"
    # Creates or updates the prefix when needed, and starts the services and the desktop now
    # rather than inside the first test.
    if ! "$wine" wineboot -i </dev/null >>"$log" 2>&1; then
        echo "wineboot failed:" >&2
        cat "$log" >&2
        return 1
    fi
    wine_prefix_made
    # Under CPU emulation some machines start the 32-bit loader yet no 32-bit Wine process ("failed to
    # map the shared user data"): every test of a 32-bit build would fail the same way, so the
    # session is skipped, naming the error.
    if [ -n "$wine32_emulator" ] && [ "$(build_bits)" = 32 ] && ! why=$(boots_32_bit); then
        stop
        mkdir -p "$session_folder"
        printf 'owner_pid=%s\nskip=%s\n' "$PPID" "$why" >"$session_file"
        echo "SKIPPED: $why"
        return 77
    fi
    # A density test cut short (wine-dpi.sh) may have left the screen's density changed.
    "$wine" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f </dev/null >>"$log" 2>&1
    # The desktop, started here with its output in the log: started by a test, it would hold CTest's
    # pipes, and it would go down some seconds after each test.
    "$wine" "$tool" hold </dev/null >>"$log" 2>&1 &
    # Returns once the desktop answers; that it finds no such window is expected.
    "$wine" "$tool" geometry "no such window" </dev/null >>"$log" 2>&1
    echo "Wine session on display $DISPLAY with prefix $WINEPREFIX, $(head -n 1 "$WINEPREFIX/.ready")," \
        "32-bit loader ${wine32:-none}, 64-bit loader ${wine64:-none}"
    [ -z "$wine32_emulator" ] || echo "32-bit programs run under CPU emulation by $wine32_emulator," \
        "as this kernel runs none itself: each takes about a minute to start"
}

case $1 in
start)
    start
    status=$?
    if [ "$status" -eq 1 ]; then
        stop
    fi
    exit "$status"
    ;;
stop)
    # A run that could not start its session leaves alone the one another run is using.
    if is_ctest "$PPID" && other_run_owns; then
        exit 0
    fi
    stop
    ;;
*)
    echo "$usage" >&2
    exit 2
    ;;
esac
