#!/usr/bin/env bash
# Checks the Linux launcher as an assembled disc carries it: the starter needs only the base set; the
# archive unpacks to the program, qt.conf, lib/ and plugins/; the program carries the run path
# $ORIGIN/lib as DT_RPATH (which serves every library and plugin loaded after it), and through it every
# library outside the desktop's base set resolves into lib/. The libraries are the system's own files,
# byte for byte (the trimmed ICU data excepted), and nothing is writable by others.
# bundle-check.sh <disc folder> <base libraries list>
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 <disc folder> <base libraries list>" >&2; exit 2; }
disc=$(cd "$1" && pwd)
failures=0
fail() {
    echo "FAIL  $*"
    failures=$((failures + 1))
}

declare -A base=()
while read -r name; do
    [[ -z $name || $name == \#* ]] || base[$name]=1
done <"$2"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
zstd -q -d -c "$disc/autorun-linux/bundle.tar.zst" | tar -x -C "$work" || fail "the archive does not unpack"
for entry in autorun qt.conf lib plugins/platforms/libqxcb.so plugins/imageformats/libqjpeg.so; do
    [ -e "$work/$entry" ] || fail "the archive has no $entry"
done
cmp -s "$work/autorun" "$disc/autorun-linux/autorun" || fail "the archive's program is not the disc's autorun-linux/autorun"
rpath=$(readelf -d "$work/autorun" | sed -n 's/.*(RPATH).*\[\(.*\)\]/\1/p')
[ "$rpath" = '$ORIGIN/lib' ] || fail "the program's DT_RPATH is \"$rpath\", expected \"\$ORIGIN/lib\""
! readelf -d "$work/autorun" | grep -q '(RUNPATH)' || fail "the program has a RUNPATH, which its libraries would not use"

# resolves <file> <where its libraries must come from, besides the base set>
resolves() {
    local file=$1 inside=$2 short=${1#"$work"/}
    while read -r name arrow path _; do
        if [ "$arrow" != "=>" ]; then
            continue
        elif [ "$path" = "not" ]; then
            fail "$short: $name is not found"
        elif [[ $(realpath -m "$path") == "$inside/"* ]]; then
            continue
        elif [ -z "${base[$name]:-}" ]; then
            fail "$short: $name resolves to $path, outside the bundle, and is not in the base set"
        fi
    done < <(ldd "$file" | sed 's/^[[:space:]]*//')
}
qt_plugins=$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null || echo /usr/lib/x86_64-linux-gnu/qt6/plugins)
files=1
resolves "$work/autorun" "$work/lib"
# Libraries and plugins are loaded under the program, whose run path serves them: as LD_LIBRARY_PATH here.
for file in "$work"/lib/* "$work"/plugins/*/*; do
    files=$((files + 1))
    LD_LIBRARY_PATH=$work/lib resolves "$file" "$work/lib"
    case $file in */libicudata.so.*) continue ;; esac
    # Every library of that name the system has: with multilib, the 32-bit and x32 ones come first.
    originals=$(ldconfig -p | awk -v n="$(basename "$file")" '$1 == n { print $NF }')
    [ -n "$originals" ] || originals=$qt_plugins/${file#"$work"/plugins/}
    same=""
    for original in $originals; do
        ! cmp -s "$file" "$original" || same=1
    done
    [ -n "$same" ] || fail "${file#"$work"/} is not the system's file as it is"
done
for file in "$disc/autorun"; do
    while read -r name arrow _; do
        [ "$arrow" = "=>" ] && [ -z "${base[$name]:-}" ] && fail "the starter needs $name, which is not in the base set"
    done < <(ldd "$file" | sed 's/^[[:space:]]*//')
done

writable=$(find "$disc/autorun" "$disc/autorun-linux" "$work" -mindepth 0 -perm /022 ! -path "$work" -print -quit)
[ -z "$writable" ] || fail "$writable is writable by others than its owner"

[ "$failures" -eq 0 ] || exit 1
echo "PASS  $files files: each resolves its libraries into the bundle or the base set, and the libraries are unchanged"
