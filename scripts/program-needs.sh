#!/usr/bin/env bash
# Writes OUT, what PROGRAM needs of the desktop's own libraries, as bundle-linux.sh writes bundle.needs:
# "soname version" a line, the newest symbol version of each kind (GLIBC_, ...) it asks of each.
# The starter is built with it and checks it before it runs PROGRAM.
# program-needs.sh PROGRAM OUT
set -euo pipefail
[ $# -eq 2 ] && [ -f "$1" ] || { echo "usage: $0 PROGRAM OUT" >&2; exit 2; }
objdump -p "$1" |
    awk '/^  required from / { library = $3; sub(/:$/, "", library); next }
         /^    0x/ && library != "" { print library, $NF }
         /^[^ ]/ { library = "" }' |
    sort -u | sort -k1,1 -k2,2V |
    awk '{ kind = $2; sub(/[0-9.]*$/, "", kind); newest[$1 " " kind] = $2 }
         END { for (key in newest) { split(key, part, " "); print part[1], newest[key] } }' |
    sort >"$2.part"
mv "$2.part" "$2"
