#!/usr/bin/env bash
# Writes the ISO 9660 image of an assembled disc folder, ready to burn or to mount.
#   Rock Ridge: Linux sees the names as they are and the execute bits of the launcher, its script
#               and its bundle; every file is readable by all and writable by none.
#   Joliet:     Windows sees the long names.
# LABEL is the volume label a desktop shows for the disc; by default the folder's name, in the
# upper-case letters, digits and "_" that ISO 9660 allows, at most 32 of them.
# make-disc-image.sh FOLDER IMAGE [LABEL]
set -euo pipefail
usage="usage: $0 FOLDER IMAGE [LABEL]"
[ $# -ge 2 ] && [ $# -le 3 ] || { echo "$usage" >&2; exit 2; }
folder=$1
image=$2
[ -d "$folder" ] || { echo "$0: $folder is not a folder" >&2; exit 1; }
[ -f "$folder/autorun.inf" ] || echo "$0: warning: $folder has no autorun.inf; neither Windows nor the launcher will find one" >&2
command -v xorriso >/dev/null || { echo "$0: xorriso is not installed (scripts/setup.sh installs it)" >&2; exit 1; }

label=${3:-$(basename "$(cd "$folder" && pwd)")}
label=$(printf '%s' "$label" | tr '[:lower:]' '[:upper:]' | tr -c 'A-Z0-9_' '_' | cut -c 1-32)

mkdir -p "$(dirname "$image")"
# The files a start reads, in the order it reads them, first on the disc and one after another: the
# Linux starter, then the program the desktop's GTK 3 runs, the one its Qt runs, or the archive of the
# latter with its libraries, then the settings, which then lie in the drive's read-ahead after the
# archive, and the Windows program, which Windows starts once it has read the settings.
order=$(mktemp)
trap 'rm -f "$order"' EXIT
weight=100
for file in autorun autorun-linux/autorun-gtk autorun-linux/autorun autorun-linux/bundle.tar.zst autorun.inf Autorun.exe; do
    [ -f "$folder/$file" ] && printf '%d /%s\n' "$weight" "$file" >>"$order"
    weight=$((weight - 10))
done
# -r rather than -R: owner root, modes made readable and never writable, execute bits kept.
# With SOURCE_DATE_EPOCH the volume's dates and every file's are that time, so the image depends only
# on what the folder holds.
dates=()
[ -z "${SOURCE_DATE_EPOCH:-}" ] || dates=(--set_all_file_dates "=$SOURCE_DATE_EPOCH")
xorriso -as mkisofs -quiet -r -J -joliet-long -V "$label" --sort-weight-list "$order" "${dates[@]}" \
    -o "$image.part" "$folder"
mv "$image.part" "$image"
echo "Disc image $image ($(du -h "$image" | cut -f1), volume $label) from $folder"
