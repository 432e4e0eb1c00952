#!/usr/bin/env bash
# Benchmarks the Windows program against a bare Win32 window showing the same picture, both under
# Wine on one private Xvfb, and prints the release executable's size and imports. The 32-bit release
# Autorun.exe is timed against a 32-bit bare window where 32-bit Wine runs natively; elsewhere,
# also where it runs only under CPU emulation, the 64-bit build against a 64-bit one, and the
# output says why.
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

source tests/win32/wine-env.sh
wine_loaders
# The release is a 32-bit program, timed where 32-bit Wine runs natively; elsewhere the 64-bit build
# of the same sources is, and the figures say so. Under CPU emulation a 32-bit program takes about a
# minute to show its window, past the driver's wait, and its times would be the emulator's.
quietly cmake --preset windows-i686
quietly cmake --build --preset windows-i686
release="$repo/build/windows-i686/Autorun.exe"
if [ -n "$wine32_emulator" ]; then
    wine32_why="32-bit programs run here only under CPU emulation by $wine32_emulator (this kernel runs"
    wine32_why+=" none itself), which takes about a minute to start one and would time the emulator"
fi
if [ -n "$wine32" ] && [ -z "$wine32_emulator" ]; then
    bits=32 tree=windows-i686-tests toolchain=mingw-i686 bare_build=build/bench-win32-i686
    # Started by the 32-bit loader itself: the 64-bit one would hand a 32-bit program to it in a
    # process of its own, whose window the driver, watching its child, would never see.
    loader=$wine32
    disc_target=win32_e2e_disc disc="$repo/build/windows-i686-tests/e2e-disc"
    timed="the 32-bit release build/windows-i686/Autorun.exe"
else
    bits=64 tree=windows-x64 toolchain=mingw-x86_64 bare_build=build/bench-win32 loader=$wine
    disc_target=disc disc="$repo/build/windows-x64/disc"
    timed="the 64-bit build build/windows-x64/disc/Autorun.exe, as $wine32_why"
fi
quietly cmake --preset "$tree"
quietly cmake --build --preset "$tree" --target "$disc_target" autorun_layout
program="$disc/Autorun.exe"
# The yardstick is built the way the timed program is.
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "build/$tree/CMakeCache.txt")
quietly cmake -S tools/bench/win32 -B "$bare_build" -G Ninja \
    --toolchain "$repo/cmake/$toolchain.cmake" -DCMAKE_BUILD_TYPE="${build_type:-RelWithDebInfo}"
quietly cmake --build "$bare_build"
bare="$repo/$bare_build/BareWindow.exe"
quietly cmake -S tools/bench -B build/bench -G Ninja
quietly cmake --build build/bench --target bench_driver bench_shim
shims="$repo/build/bench/libbench_shim.so"
if [ "$bits" = 32 ]; then
    # The 32-bit loader runs the program, and takes only a 32-bit shim; each loader passes over
    # the other's ("wrong ELF class"), so both go in one LD_PRELOAD.
    scripts/setup.sh gcc-multilib
    mkdir -p build/bench-i386
    quietly gcc -m32 -O2 -Wall -Wextra -shared -fPIC tools/bench/shim.c -o build/bench-i386/libbench_shim.so -ldl
    shims+=" $repo/build/bench-i386/libbench_shim.so"
fi

export WINEPREFIX="$repo/build/bench-wine/prefix"
export WINEDEBUG=-all
# No Mono or Gecko prompts, and no menu entries written outside the prefix.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

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
# A prefix made by another Wine, or with other loaders, may not boot.
wine_prefix_check
mkdir -p "$WINEPREFIX"
wineserver -p
wineserver_started=1
# Creates the prefix on the first run; afterwards starts Wine's services, as a booted Windows has them.
quietly "$wine" wineboot
wine_prefix_made
load_layout "$wine" "build/$tree/tools/layout/autorun_layout.exe"

echo "Wine: $("$wine" --version), 32-bit loader ${wine32:-none}, 64-bit loader ${wine64:-none}"
echo "Timed: $timed,"
echo "      against a $bits-bit bare window; $(nproc) CPUs, Xvfb 1280x1024x24 on $DISPLAY, no window manager,"
echo "      prefix build/bench-wine/prefix, wineserver -p kept warm; started from $disc"
# Other work on the machine moves wall-clock times; say how much there was.
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
centre_of lblBtnText_0
build/bench/bench_driver --runs "$runs" \
    --shim "$shims" \
    --wine "$loader" \
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
objdump=x86_64-w64-mingw32-objdump
[ "$bits" = 64 ] || objdump=i686-w64-mingw32-objdump
describe "32-bit release" i686-w64-mingw32-objdump "$release"
[ "$bits" = 32 ] || describe "64-bit (timed)" "$objdump" "$program"
describe "bare window, $bits-bit" "$objdump" "$bare"
