#!/usr/bin/env bash
# Benchmarks the Windows program against a bare Win32 window showing the same picture, both under
# Wine on one private Xvfb, and prints the release executable's size and imports.
# Usage: tools/bench/wine.sh [runs]   (default 15; tools/bench/run.sh calls it). Judges nothing.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
runs=${1:-15}

scripts/setup.sh libx11-dev libxtst-dev libxcb1-dev libxcb-shm0-dev libxext-dev wine wine64 \
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix

# Build output only when a build fails.
quietly() {
    local log status=0
    log=$(mktemp)
    "$@" >"$log" 2>&1 || status=$?
    [ "$status" -eq 0 ] || cat "$log" >&2
    rm -f "$log"
    return "$status"
}

# Wine here is 64-bit only, so the 64-bit build is timed; the 32-bit build is the release.
quietly cmake --preset windows-i686
quietly cmake --build --preset windows-i686
quietly cmake --preset windows-x64
quietly cmake --build --preset windows-x64 --target disc autorun_layout
disc="$repo/build/windows-x64/disc"
program="$disc/Autorun.exe"
release="$repo/build/windows-i686/Autorun.exe"
# The yardstick is built the way the timed program is.
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' build/windows-x64/CMakeCache.txt)
quietly cmake -S tools/bench/win32 -B build/bench-win32 -G Ninja \
    --toolchain "$repo/cmake/mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE="${build_type:-RelWithDebInfo}"
quietly cmake --build build/bench-win32
bare="$repo/build/bench-win32/BareWindow.exe"
quietly cmake -S tools/bench -B build/bench -G Ninja
quietly cmake --build build/bench --target bench_driver bench_shim

export WINEPREFIX="$repo/build/bench-wine/prefix"
export WINEDEBUG=-all
# No Mono or Gecko prompts, and no menu entries written outside the prefix.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$WINEPREFIX"

source scripts/x11.sh
tmp=$(mktemp -d)
wineserver_started=""
end_wine() {
    local status=$?
    [ -z "$wineserver_started" ] || wineserver -k 2>/dev/null || true
    (exit "$status")
    cleanup
}
trap end_wine EXIT
start_xvfb "$tmp" || exit 1

# One server for the whole run, kept warm between programs; a server left by an aborted run
# of this prefix would hold its Wine processes on a display that is gone.
wineserver -k 2>/dev/null || true
wineserver -p
wineserver_started=1
# Creates the prefix on the first run; afterwards starts Wine's services, as a booted Windows has them.
quietly wine wineboot
load_layout wine build/windows-x64/tools/layout/autorun_layout.exe

echo "Wine: $(wine --version) (64-bit only: a 32-bit exe cannot run here, so the 64-bit build"
echo "      build/windows-x64/disc/Autorun.exe is timed), $(nproc) CPUs, Xvfb 1280x1024x24 on $DISPLAY,"
echo "      no window manager, prefix build/bench-wine/prefix, wineserver -p kept warm; started from $disc"
# Other work on the machine moves wall-clock times; say how much there was.
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
centre_of lblBtnText_0
build/bench/bench_driver --runs "$runs" \
    --shim "$repo/build/bench/libbench_shim.so" \
    --wine wine \
    --bare "$bare" \
    --program "$program" \
    --disc "$disc" \
    --online-doc "$cx,$cy" \
    --work "$tmp"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

echo
echo "Executables (target: the 32-bit release <= 1 MB = 1048576 bytes):"
describe() {
    local label=$1 objdump=$2 exe=$3
    if [ ! -f "$exe" ]; then
        printf '  %-24s not built: %s\n' "$label" "$exe"
        return
    fi
    printf '  %-24s %9d bytes  %s\n' "$label" "$(stat -c %s "$exe")" "${exe#"$repo"/}"
    printf '  %-24s imports %s\n' "" "$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | paste -sd' ')"
}
describe "32-bit release" i686-w64-mingw32-objdump "$release"
describe "64-bit (timed)" x86_64-w64-mingw32-objdump "$program"
describe "bare window, 64-bit" x86_64-w64-mingw32-objdump "$bare"
