#!/usr/bin/env bash
# Prints the manifest of a folder to be archived for the disc's starter: every file but the manifest
# itself, in name order, as "SHA-256 size mode path" (mode 755 or 644, as the starter unpacks it).
# bundle-manifest.sh FOLDER
set -euo pipefail
[ $# -eq 1 ] && [ -d "$1" ] || { echo "usage: $0 FOLDER" >&2; exit 2; }
cd "$1"
find . -type f ! -path ./bundle.manifest -printf '%P\n' | LC_ALL=C sort | while read -r file; do
    mode=644
    [ -x "$file" ] && mode=755
    printf '%s %s %s %s\n' "$(sha256sum <"$file" | cut -d' ' -f1)" "$(stat -c %s "$file")" "$mode" "$file"
done
