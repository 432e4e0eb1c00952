#!/usr/bin/env bash
# Masters a disc folder's image as a publisher would and extracts the image's Joliet tree, the names
# and files Windows reads from the disc, to <work folder>/joliet for the end-to-end run; checks that
# the tree is Joliet's and holds every file of the folder, byte for byte.
# joliet-tree.sh <disc folder> <work folder>
set -euo pipefail
here=$(dirname "$0")
usage="usage: joliet-tree.sh <disc folder> <work folder>"
disc=${1:?$usage}
work=${2:?$usage}

ok() { printf 'ok    %s\n' "$*"; }
fail() {
    printf 'FAIL  %s\n' "$*" >&2
    exit 1
}
command -v xorriso >/dev/null || fail "xorriso is not installed (scripts/setup.sh installs it)"
[ -f "$disc/autorun.inf" ] || fail "$disc is not an assembled disc: build the disc first"

image=$work/disc.iso tree=$work/joliet
# Joliet has no modes: xorriso extracts read-only files and folders, and rm needs them writable.
[ ! -d "$work" ] || chmod -R u+w "$work"
rm -rf "$work"
mkdir -p "$work"
"$here/../../scripts/make-disc-image.sh" "$disc" "$image" VELMO_DEVKIT >"$work/image.log" 2>&1 ||
    { cat "$work/image.log" >&2; fail "could not master the image"; }
ok "mastered $image from $disc"

# -read_fs norock: load the Joliet tree rather than the Rock Ridge one a Linux mount shows.
xorriso -osirrox on -read_fs norock -indev "$image" -extract / "$tree" >"$work/joliet.log" 2>&1 ||
    { cat "$work/joliet.log" >&2; fail "xorriso could not extract the Joliet tree"; }
xorriso -osirrox on -indev "$image" -extract / "$work/rock-ridge" >"$work/rock-ridge.log" 2>&1 ||
    { cat "$work/rock-ridge.log" >&2; fail "xorriso could not extract the Rock Ridge tree"; }

# Plain ISO 9660 names are upper case and 8.3: a long mixed-case name comes only from Joliet or Rock Ridge.
long=Utils/Acrobat/AdbeRdr70_enu_full.exe
[ -f "$disc/$long" ] || fail "the disc has no $long to tell the trees apart by"
[ -f "$tree/$long" ] || fail "the extracted tree has no $long: $(ls "$tree/Utils/Acrobat" 2>&1 | paste -sd' ')"
ok "the long mixed-case name $long survives"
# Modes exist only in Rock Ridge: there a text file and a script differ, in Joliet they cannot.
text=README.txt script=autorun.sh
mode() { stat -c %a "$1"; }
[ "$(mode "$work/rock-ridge/$text")" != "$(mode "$work/rock-ridge/$script")" ] ||
    fail "the Rock Ridge tree gives $text and $script one mode, so modes cannot tell the trees apart"
[ "$(mode "$tree/$text")" = "$(mode "$tree/$script")" ] ||
    fail "$text and $script have the modes $(mode "$tree/$text") and $(mode "$tree/$script"): Rock Ridge was read"
ok "no Rock Ridge mode survives ($text and $script are both $(mode "$tree/$text"); Rock Ridge has $(mode "$work/rock-ridge/$text") and $(mode "$work/rock-ridge/$script"))"

diff -r "$disc" "$tree" >&2 || fail "the Joliet tree differs from $disc"
ok "the Joliet tree $tree holds every name and byte of $disc"
