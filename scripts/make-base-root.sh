#!/usr/bin/env bash
# Makes ROOT a clean Debian root (12 unless SUITE names another release) with only what any x86-64
# desktop has: the C and C++ runtimes, the X11 and xcb client libraries, libGL and libEGL,
# fontconfig, FreeType and one font. No Qt, and
# no ICU: another distribution's ICU never has the soname the bundle's Qt was built against, so
# ICU is taken out even though the packages above bring it in. The disc's Linux launcher must start
# in this root with nothing but its own bundle.
# With PACKAGEs (a desktop's GTK 3 or Qt 6, say) the root has them too, and keeps ICU, which they
# may need; a test hides what a start must not find.
# Needs root and Debian's package archive; ROOT is reused once made (".complete" lists its extra
# packages; a root made with others is made again).
# make-base-root.sh ROOT [SUITE [PACKAGE...]]
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 ROOT [SUITE [PACKAGE...]]" >&2; exit 2; }
root=$1
suite=${2:-bookworm}
shift $(($# < 2 ? $# : 2))
extra=("$@")
listed=$(printf '%s\n' "${extra[@]}")
[ -f "$root/.complete" ] && [ "$(cat "$root/.complete")" = "$listed" ] && exit 0

base_set=libx11-6,libx11-xcb1,libxcb1,libxext6,libxrender1,libgl1,libegl1,libfontconfig1,libfreetype6,fonts-liberation
[ ${#extra[@]} -eq 0 ] || base_set+=$(printf ',%s' "${extra[@]}")
mirror=$(sed -n 's/^URIs: *\(http[^ ]*debian\)$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1 || true)
# An interrupted debootstrap leaves the root's /proc mounted, which rm cannot remove.
! mountpoint -q "$root/proc" || umount "$root/proc"
rm -rf "$root"
mkdir -p "$root"
debootstrap --variant=minbase --include="$base_set" "$suite" "$root" "${mirror:-http://deb.debian.org/debian}" \
    >"$root.log" 2>&1 || { tail -n 20 "$root.log" >&2; exit 1; }
[ ${#extra[@]} -gt 0 ] || rm -f "$root"/usr/lib/x86_64-linux-gnu/libicu*
echo "$listed" >"$root/.complete"
