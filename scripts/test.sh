#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: the Linux set, the Windows set in a 64-bit build
# and in a 32-bit one that drives the release Autorun.exe (under CPU emulation where the kernel runs
# no 32-bit programs; skipped, saying why, where Wine cannot run them at all), the Linux set again
# with AddressSanitizer and UndefinedBehaviorSanitizer, the settings reader's fuzz target for
# AUTORUN_FUZZ_SECONDS (default 60), and the release built twice in two folders to compare. Warnings
# are errors here, not in a user's own build. Prints how long each step took.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh clang libclang-rt-14-dev
# setup.sh does this when it installs; a registration does not outlive a restart.
scripts/enable-i386.sh

failures=()
step() {
    local name=$1 start=$SECONDS
    shift
    "$@" || failures+=("$name")
    echo "$name: $((SECONDS - start)) s"
}

# The 32-bit Autorun.exe first: the Linux build puts it on its sample disc. The 64-bit Windows build
# before the 32-bit test build, whose tests start its helper programs.
for preset in windows-i686 linux windows-x64 windows-i686-tests linux-asan; do
    cmake --preset "$preset" -DAUTORUN_WERROR=ON >/dev/null
    cmake --build --preset "$preset"
done
step "Linux tests" ctest --preset linux -j2
# Now and then a Wine process dies as it starts, before the program runs, with no output at all: a
# Windows test that fails is run once more, and fails the step only if it fails again.
step "Windows tests under Wine" ctest --preset windows-x64 -j2 --repeat until-pass:2
step "Windows tests of the 32-bit release under 32-bit Wine" ctest --preset windows-i686-tests -j2 --repeat until-pass:2
step "Linux tests with sanitizers" ctest --preset linux-asan -j2
step "fuzzing the settings reader" scripts/fuzz.sh "${AUTORUN_FUZZ_SECONDS:-60}"
# The release twice, from clones in two folders: every file the same, byte for byte.
step "reproducible release" scripts/check-reproducible.sh

if [ ${#failures[@]} -gt 0 ]; then
    printf 'Failed: %s\n' "${failures[@]}" >&2
    exit 1
fi
echo "All tests passed."
