#!/usr/bin/env bash
# Makes the archive a test starter is built for: a stand-in program that logs how it was started, a
# qt.conf and a library-sized file of zeros (2 MB unpacked), with its manifest and needs, as
# bundle-linux.sh lays out the real one.
# make-fixture.sh OUT
set -euo pipefail
out=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$out" "$stage/lib" "$stage/plugins/platforms"
cat >"$stage/autorun" <<'PROGRAM'
#!/bin/sh
# Logs where it runs from, its launch folder and its environment, one start a line.
printf 'ran %s launch=%s args=%s\n' "$0" "${AUTORUN_LAUNCH_FOLDER:-}" "$*" >>"$STARTER_LOG"
env | sort >"$STARTER_LOG.env.$$"
# A program that fails before its window, when asked to.
[ -z "${FIXTURE_STATUS:-}" ] || { echo "fixture fails" >&2; exit "$FIXTURE_STATUS"; }
PROGRAM
chmod 755 "$stage/autorun"
printf '[Paths]\nPrefix = .\n' >"$stage/qt.conf"
head -c 2000000 /dev/zero >"$stage/lib/libfiller.so"
printf 'plugin\n' >"$stage/plugins/platforms/libqxcb.so"
"$(dirname "$0")/../../scripts/bundle-manifest.sh" "$stage" >"$stage/bundle.manifest"
tar --sort=name --owner=0 --group=0 --numeric-owner --mtime=@0 --format=ustar -C "$stage" -cf - . |
    zstd -q -19 -f -o "$out/bundle.tar.zst"
install -m 755 "$stage/autorun" "$out/autorun"
cp "$stage/bundle.manifest" "$out/"
# What any glibc has.
echo 'libc.so.6 GLIBC_2.2.5' >"$out/bundle.needs"
sha256sum "$out/bundle.tar.zst" | cut -d' ' -f1 >"$out/bundle.sha256"
