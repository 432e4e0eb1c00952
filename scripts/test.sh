#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: the Linux and Windows sets, the Linux set again
# with AddressSanitizer and UndefinedBehaviorSanitizer, and the settings reader's fuzz target for
# AUTORUN_FUZZ_SECONDS (default 60). Warnings are errors here, not in a user's own build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh clang libclang-rt-14-dev

failures=()
step() {
    local name=$1
    shift
    "$@" || failures+=("$name")
}

# The 32-bit Autorun.exe first: the Linux build puts it on its sample disc.
for preset in windows-i686 linux windows-x64 linux-asan; do
    cmake --preset "$preset" -DAUTORUN_WERROR=ON >/dev/null
    cmake --build --preset "$preset"
done
step "Linux tests" ctest --preset linux -j2
step "Windows tests under Wine" ctest --preset windows-x64 -j2
step "Linux tests with sanitizers" ctest --preset linux-asan -j2
step "fuzzing the settings reader" scripts/fuzz.sh "${AUTORUN_FUZZ_SECONDS:-60}"

if [ ${#failures[@]} -gt 0 ]; then
    printf 'Failed: %s\n' "${failures[@]}" >&2
    exit 1
fi
echo "All tests passed."
