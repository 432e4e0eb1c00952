#!/usr/bin/env bash
# Checks that one commit builds to the same bytes wherever and whenever it is built, printing each
# file's SHA-256; where files differ, diffoscope (where installed) shows how.
#   check-reproducible.sh           builds the whole release (scripts/release.sh) twice, from two clones
#                                   in folders of different paths, the one with its build trees inside
#                                   its clone, the other with them outside (AUTORUN_BUILD_ROOT), and
#                                   compares dist/; Autorun.exe is signed where the environment names a
#                                   certificate, as for a release, but never time-stamped, and the
#                                   checksums never signed (a time-stamp and a GnuPG signature carry
#                                   their own time)
#   check-reproducible.sh programs  builds the two programs once more, from a clone elsewhere into trees
#                                   outside it, and compares them with this checkout's builds (the
#                                   windows-i686 and linux presets, as scripts/test.sh leaves them): the
#                                   32-bit Autorun.exe and the Linux program as the disc carries it
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-release}
case $what in release | programs) ;; *) echo "usage: $0 [programs]" >&2; exit 2 ;; esac
commit=$(git rev-parse HEAD)
work=$(mktemp -d /tmp/autorun-reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT
unset AUTORUN_GPG_KEY AUTORUN_SIGN_TIMESTAMP_URL
# The first build's trees go where release.sh puts them by default, inside its clone.
unset AUTORUN_BUILD_ROOT
# Both builds take the starter's Debian 11 root from this checkout: made twice, its packages could differ.
AUTORUN_OLD_SYSROOT=$(realpath -m "${AUTORUN_OLD_SYSROOT:-build/sysroot-bullseye}")
export AUTORUN_OLD_SYSROOT

# build <clone folder> <dist folder> [trees folder]: the build trees go into the trees folder; without
# one, a release's go where release.sh puts them by default.
build() {
    git clone -q --no-local "$PWD" "$1"
    git -C "$1" checkout -q "$commit"
    if [ "$what" = release ]; then
        (cd "$1" && if [ -n "${3:-}" ]; then export AUTORUN_BUILD_ROOT=$3; fi && scripts/release.sh "$2")
    else
        mkdir -p "$2"
        (cd "$1" && cmake --preset windows-i686 -B "$3/windows" -DAUTORUN_WERROR=ON >/dev/null &&
            cmake --build "$3/windows" --target Autorun >/dev/null &&
            cmake --preset linux -B "$3/linux" -DAUTORUN_TESTS=OFF -DAUTORUN_WERROR=ON \
                -DAUTORUN_OLD_SYSROOT="$AUTORUN_OLD_SYSROOT" >/dev/null &&
            cmake --build "$3/linux" --target autorun_disc >/dev/null)
        cp "$3/windows/Autorun.exe" "$3/linux/platform/qt/disc/autorun" "$2/"
    fi
}

if [ "$what" = release ]; then
    build "$work/a/autorun" "$work/dist-a"
    sleep 1
    (umask 002 && build "$work/second/checkout/of/autorun" "$work/dist-b" "$work/second/trees")
else
    mkdir -p "$work/dist-a"
    cp build/windows-i686/Autorun.exe build/linux/platform/qt/disc/autorun "$work/dist-a/" ||
        { echo "build the windows-i686 and linux presets first (scripts/test.sh does)" >&2; exit 1; }
    (umask 002 && build "$work/second/checkout/of/autorun" "$work/dist-b" "$work/second/trees")
fi

status=0
for file in "$work/dist-a"/*; do
    name=$(basename "$file")
    if cmp -s "$file" "$work/dist-b/$name"; then
        printf 'same       %s  %s\n' "$(sha256sum <"$file" | cut -d' ' -f1)" "$name"
    else
        printf 'DIFFERENT  %s\n' "$name"
        status=1
        if command -v diffoscope >/dev/null; then
            diffoscope "$file" "$work/dist-b/$name" | head -n 60 || true
        fi
    fi
done
[ "$(ls "$work/dist-a")" = "$(ls "$work/dist-b")" ] || { echo "the two builds made different files"; status=1; }
[ "$status" = 0 ] && echo "Two builds of $commit in different folders are the same, byte for byte."
exit "$status"
