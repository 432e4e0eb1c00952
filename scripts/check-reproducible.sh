#!/usr/bin/env bash
# Checks that one commit builds to the same bytes wherever and whenever it is built, printing each
# file's SHA-256; where files differ, diffoscope (where installed) shows how.
#   check-reproducible.sh           builds the whole release (scripts/release.sh) twice, from two clones
#                                   in folders of different paths, and compares dist/; Autorun.exe is
#                                   signed where the environment names a certificate, as for a release,
#                                   the checksums never (a GnuPG signature carries its own time)
#   check-reproducible.sh programs  builds the two programs once more, from a clone elsewhere, and
#                                   compares them with this checkout's builds (the windows-i686 and
#                                   linux presets, as scripts/test.sh leaves them): the 32-bit
#                                   Autorun.exe and the Linux program as the disc carries it
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-release}
case $what in release | programs) ;; *) echo "usage: $0 [programs]" >&2; exit 2 ;; esac
commit=$(git rev-parse HEAD)
work=$(mktemp -d /tmp/autorun-reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT
unset AUTORUN_GPG_KEY
# Both builds take the starter's Debian 11 root from this checkout: made twice, its packages could differ.
AUTORUN_OLD_SYSROOT=$(realpath -m "${AUTORUN_OLD_SYSROOT:-build/sysroot-bullseye}")
export AUTORUN_OLD_SYSROOT

# build <clone folder> <dist folder>
build() {
    git clone -q --no-local "$PWD" "$1"
    git -C "$1" checkout -q "$commit"
    if [ "$what" = release ]; then
        (cd "$1" && scripts/release.sh "$2")
    else
        mkdir -p "$2"
        (cd "$1" && cmake --preset windows-i686 -DAUTORUN_WERROR=ON >/dev/null &&
            cmake --build --preset windows-i686 --target Autorun >/dev/null &&
            cmake --preset linux -DAUTORUN_TESTS=OFF -DAUTORUN_WERROR=ON \
                -DAUTORUN_OLD_SYSROOT="$AUTORUN_OLD_SYSROOT" >/dev/null &&
            cmake --build --preset linux --target autorun_disc >/dev/null)
        cp "$1/build/windows-i686/Autorun.exe" "$1/build/linux/platform/qt/disc/autorun" "$2/"
    fi
}

if [ "$what" = release ]; then
    build "$work/a/autorun" "$work/dist-a"
    sleep 1
    (umask 002 && build "$work/second/checkout/of/autorun" "$work/dist-b")
else
    mkdir -p "$work/dist-a"
    cp build/windows-i686/Autorun.exe build/linux/platform/qt/disc/autorun "$work/dist-a/" ||
        { echo "build the windows-i686 and linux presets first (scripts/test.sh does)" >&2; exit 1; }
    (umask 002 && build "$work/second/checkout/of/autorun" "$work/dist-b")
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
