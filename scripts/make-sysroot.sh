#!/usr/bin/env bash
# Makes ROOT a Debian 11 (bullseye) root to build against: what the project's own compiler builds
# there needs no more of the system than glibc 2.31 (Debian 11, Ubuntu 20.04 and later), where what
# it builds on this system needs this system's glibc. It holds the headers and link libraries of
# `packages` below; a program that needs more adds its packages there, and a root made with fewer
# is made again. Absolute symbolic links are made relative, so that the linker, given
# --sysroot=ROOT, finds the root's files and never this system's.
# Needs root (or sudo) and Debian's package archive; ROOT is reused once made (".complete" lists
# its packages).
# make-sysroot.sh ROOT
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 ROOT" >&2; exit 2; }
root=$(realpath -m "$1")

packages=(
    # The C library: headers, start files, libc, libdl and libpthread to link with.
    libc6-dev
    # The disc's starter links zstd in: its header and static library.
    libzstd-dev
    # The disc's GTK program: GTK 3's headers, its link libraries and their pkg-config files, and a
    # session bus for GTK's settings service, which debootstrap cannot choose among the virtual ones.
    libgtk-3-dev
    dbus-x11
)
listed=$(printf '%s\n' "${packages[@]}")
[ "$(cat "$root/.complete" 2>/dev/null)" = "$listed" ] && exit 0
[ "$(id -u)" -eq 0 ] || exec sudo "$0" "$root"
[ "$root" != / ] || { echo "$0: will not make / a root" >&2; exit 2; }

mirror=$(sed -n 's/^URIs: *\(http[^ ]*debian\)$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1 || true)
# An interrupted debootstrap leaves the root's /proc mounted, which rm cannot remove.
! mountpoint -q "$root/proc" || umount "$root/proc"
rm -rf "$root"
mkdir -p "$root"
debootstrap --variant=minbase --include="$(IFS=,; echo "${packages[*]}")" bullseye "$root" \
    "${mirror:-http://deb.debian.org/debian}" >"$root.log" 2>&1 || { tail -n 20 "$root.log" >&2; exit 1; }
find "$root" -xdev -type l -lname '/*' -printf '%p\t%l\n' | while IFS=$'\t' read -r link target; do
    ln -sfn "$(realpath -ms --relative-to="$(dirname "$link")" "$root$target")" "$link"
done
echo "$listed" >"$root/.complete"
