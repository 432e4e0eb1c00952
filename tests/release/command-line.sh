#!/usr/bin/env bash
# The Linux programs answer --version and --help as desktop programs do, without a display: the
# version is the one the Windows version record carries.
# command-line.sh VERSION PROGRAM...
set -euo pipefail
version=${1:?usage: command-line.sh VERSION PROGRAM...}
shift
for program in "$@"; do
    for asked in --version --help -h; do
        status=0
        said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$asked" 2>&1) || status=$?
        [ "$status" = 0 ] || { echo "FAIL  $program $asked ended with status $status: $said" >&2; exit 1; }
        case $asked in
        --version) expected="autorun $version" ;;
        *) expected="Usage: autorun [--help] [--version]" ;;
        esac
        [ "$(printf '%s\n' "$said" | head -n 1)" = "$expected" ] ||
            { echo "FAIL  $program $asked said \"$said\", not \"$expected\"" >&2; exit 1; }
    done
    ! "$program" --version >/dev/full 2>/dev/null || { echo "FAIL  $program --version >/dev/full ended with status 0" >&2; exit 1; }
    echo "ok    $program: $(env -u DISPLAY "$program" --version)"
done
echo "PASS  all checks"
