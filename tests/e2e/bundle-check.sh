#!/usr/bin/env bash
# Checks the Linux launcher's bundle on an assembled disc: every file finds its libraries through a
# RUNPATH relative to itself, and every library outside the desktop's base set resolves into the
# bundle. Stripped, and nothing in it is writable by others.
# bundle-check.sh <disc folder> <base libraries list>
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 <disc folder> <base libraries list>" >&2; exit 2; }
disc=$(cd "$1" && pwd)
bundle=$disc/autorun-linux
failures=0
fail() {
    echo "FAIL  $*"
    failures=$((failures + 1))
}

declare -A base=()
while read -r name; do
    [[ -z $name || $name == \#* ]] || base[$name]=1
done <"$2"

# Each kind of file, where it lies, and the RUNPATH it must carry.
checks=(
    "$disc/autorun|\$ORIGIN/autorun-linux/lib"
    "$bundle/lib/*|\$ORIGIN"
    "$bundle/plugins/*/*|\$ORIGIN/../../lib"
)
files=0
for check in "${checks[@]}"; do
    pattern=${check%%|*}
    expected=${check#*|}
    for file in $pattern; do
        [ -f "$file" ] || { fail "no file matches $pattern"; continue; }
        files=$((files + 1))
        short=${file#"$disc"/}
        runpath=$(readelf -d "$file" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
        # The ICU data library needs nothing, so it carries no RUNPATH.
        needs=$(readelf -d "$file" | grep -c '(NEEDED)' || true)
        if [ "$needs" -gt 0 ] && [ "$runpath" != "$expected" ]; then
            fail "$short has RUNPATH \"$runpath\", expected \"$expected\""
        fi
        if readelf -S "$file" | grep -q '\.debug_'; then
            fail "$short is not stripped"
        fi
        while read -r name arrow path _; do
            if [ "$arrow" != "=>" ]; then
                continue
            elif [ "$path" = "not" ]; then
                fail "$short: $name is not found"
            elif [[ $(realpath -m "$path") == "$bundle/lib/"* ]]; then
                continue
            elif [ -z "${base[$name]:-}" ]; then
                fail "$short: $name resolves to $path, outside the bundle, and is not in the base set"
            fi
        done < <(ldd "$file" | sed 's/^[[:space:]]*//')
    done
done

writable=$(find "$disc/autorun" "$bundle" -perm /022 -print -quit)
[ -z "$writable" ] || fail "$writable is writable by others than its owner"

[ "$failures" -eq 0 ] || exit 1
echo "PASS  $files files: each resolves its libraries into the bundle or the base set"
