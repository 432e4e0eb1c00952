#!/usr/bin/env bash
# Runs the end-to-end test (e2e.sh) on the disc as a user meets it: a disc image mounted read-only
# (by the kernel where it has an ISO 9660 driver, else through FUSE), the launcher started as the
# unprivileged user nobody.
#   mounted <image>            the image as it is
#   unmounted <image>          the same, the image unmounted lazily once the launcher shows: every
#                              action must say the disc is gone
#   no-qt <image> <root>       the same, with the launcher in a clean root that has no Qt and no
#                              ICU (scripts/make-base-root.sh), drawing on this X server's socket
#   level1 <disc folder>       an image mastered as older discs were: plain ISO 9660 level 1, 8.3
#                              upper-case names shown lower-cased. It cannot hold the bundle's long
#                              names, so the launcher runs from a folder whose autorun.inf and docs
#                              link into the mount; the installer, whose name 8.3 cannot hold
#                              either, comes from the disc folder.
# from-image.sh <mode> <arguments> <close-window helper> <layout tool>
# Everything it mounts lives in a mount namespace of its own and goes when it ends. Where mounting
# is refused it says why and ends with status 77, which the test reports as skipped.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
usage="usage: $0 mounted <image> | unmounted <image> | no-qt <image> <root> | level1 <disc folder>, then <close-window helper> <layout tool>"
skip() {
    echo "SKIPPED: $*"
    exit 77
}

mode=${1:-}
case $mode in
mounted | unmounted | level1) [ $# -eq 4 ] || { echo "$usage" >&2; exit 2; } ;;
no-qt) [ $# -eq 5 ] || { echo "$usage" >&2; exit 2; } ;;
*) echo "$usage" >&2; exit 2 ;;
esac

kernel_iso9660() { grep -qw iso9660 /proc/filesystems || modprobe -q isofs 2>/dev/null; }

if [ -z "${FROM_IMAGE_NAMESPACE:-}" ]; then
    [ "$(id -u)" -eq 0 ] || skip "mounting an image and switching users need root"
    tools=(setpriv unshare)
    if ! kernel_iso9660; then
        [ -c /dev/fuse ] || skip "this machine has neither an ISO 9660 driver nor /dev/fuse to mount the image with"
        tools+=(fuseiso fusermount)
    fi
    for tool in "${tools[@]}"; do
        command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup.sh installs it)"
    done
    unshare --mount --propagation private true 2>/dev/null || skip "this machine refuses a private mount namespace"
    FROM_IMAGE_NAMESPACE=1 exec unshare --mount --propagation private "$0" "$@"
fi

tmp=$(mktemp -d)
chmod 755 "$tmp"
fuse_pid=""
root_mounts=()
finish() {
    local status=$?
    # The mount is busy while the root still shows it.
    [ ${#root_mounts[@]} -eq 0 ] || umount -R "${root_mounts[@]}" 2>/dev/null || true
    if mountpoint -q "$tmp/mnt" 2>/dev/null && [ -z "$fuse_pid" ]; then
        umount "$tmp/mnt" || true
    fi
    if [ -n "$fuse_pid" ]; then
        fusermount -u "$tmp/mnt" 2>/dev/null || true
        kill "$fuse_pid" 2>/dev/null || true
        wait "$fuse_pid" 2>/dev/null || true
    fi
    rm -rf "$tmp"
    exit "$status"
}
trap finish EXIT

# mount_image <image>: mounts it read-only at $tmp/mnt for every user. With the kernel's ISO 9660
# driver, as a desktop's automounter mounts an optical disc (Rock Ridge modes win over mode=);
# without it, through FUSE, which shows the Rock Ridge owners and modes.
mount_image() {
    mkdir "$tmp/mnt"
    if kernel_iso9660; then
        local ids="uid=$(id -u nobody),gid=$(getent group nogroup | cut -d: -f3)"
        mount -t iso9660 -o "loop,ro,nosuid,nodev,$ids,iocharset=utf8,mode=0400,dmode=0500" "$1" "$tmp/mnt" ||
            skip "the kernel's ISO 9660 driver could not mount $1"
    else
        fuseiso -n "$1" "$tmp/mnt" -f -o ro,allow_other,nosuid,nodev >"$tmp/fuseiso.log" 2>&1 &
        fuse_pid=$!
        local deadline=$((SECONDS + 10))
        until mountpoint -q "$tmp/mnt"; do
            kill -0 "$fuse_pid" 2>/dev/null || skip "fuseiso could not mount $1: $(cat "$tmp/fuseiso.log")"
            [ "$SECONDS" -lt "$deadline" ] || skip "fuseiso did not mount $1 within ten seconds"
            sleep 0.05
        done
    fi
    echo "ok    mounted $1 read-only at $tmp/mnt: $(findmnt -n -o FSTYPE,OPTIONS "$tmp/mnt")"
}

as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME=/nonexistent)
export E2E_IN_PLACE=1 E2E_USER=nobody
case $mode in
mounted)
    mount_image "$2"
    shift 2
    E2E_RUN="${as_nobody[*]}" "$here/e2e.sh" "$tmp/mnt" "$@"
    ;;
unmounted)
    mount_image "$2"
    shift 2
    E2E_WALK=unmounted E2E_UNMOUNT="umount -l $tmp/mnt" E2E_RUN="${as_nobody[*]}" "$here/e2e.sh" "$tmp/mnt" "$@"
    ;;
no-qt)
    command -v debootstrap >/dev/null || skip "debootstrap is not installed (scripts/setup.sh installs it)"
    if [ ! -f "$3/.complete" ]; then
        echo "Making the clean root $3 (once; a minute or two)"
        "$here/../../scripts/make-base-root.sh" "$3"
    fi
    root=$(cd "$3" && pwd)
    chroot "$root" /bin/true 2>/dev/null || skip "this machine refuses chroot into $root"
    libraries=$root/usr/lib/x86_64-linux-gnu
    found=$(find "$libraries" -maxdepth 1 \( -name 'libQt*' -o -name 'libicu*' \) -print -quit)
    [ -z "$found" ] || { echo "FAIL  the root is not clean: it has $found" >&2; exit 1; }
    while read -r name; do
        [[ -z $name || $name == \#* ]] && continue
        [ -e "$libraries/$name" ] ||
            { echo "FAIL  $name is listed as every desktop's, but the base root has no such library" >&2; exit 1; }
    done <"$here/../../scripts/linux-base-libraries.txt"
    echo "ok    the root has no Qt and no ICU, and has every library the bundle leaves to the desktop"
    mount_image "$2"
    shift 3
    # /tmp inside the root is this /tmp: the mount, the X server's socket, the test's stand-ins.
    mount -t proc proc "$root/proc"
    mount --rbind /tmp "$root/tmp"
    root_mounts=("$root/tmp" "$root/proc")
    # A sanitizer build reads its suppressions at exit, from inside the root: /tmp is shared.
    if [[ ${LSAN_OPTIONS:-} =~ suppressions=([^:]+) ]] && [ -f "${BASH_REMATCH[1]}" ]; then
        cp "${BASH_REMATCH[1]}" "$tmp/lsan.supp"
        LSAN_OPTIONS=${LSAN_OPTIONS/"${BASH_REMATCH[1]}"/$tmp/lsan.supp}
    fi
    E2E_RUN="chroot --userspec=nobody:nogroup $root env HOME=/nonexistent" "$here/e2e.sh" "$tmp/mnt" "$@"
    ;;
level1)
    command -v genisoimage >/dev/null || skip "genisoimage is not installed (scripts/setup.sh installs it)"
    disc=$(cd "$2" && pwd)
    shift 2
    mkdir "$tmp/master" "$tmp/run"
    ln -s "$disc/autorun.inf" "$tmp/master/autorun.inf"
    ln -s "$disc/docs" "$tmp/master/docs"
    genisoimage -quiet -iso-level 1 -f -V OLDDISC -o "$tmp/old.iso" "$tmp/master"
    mount_image "$tmp/old.iso"
    [ -e "$tmp/mnt/autorun.inf" ] && [ -e "$tmp/mnt/docs/all/alldoc.pdf" ] ||
        { echo "FAIL  the level 1 image does not show 8.3 names lower-cased: $(ls "$tmp/mnt")" >&2; exit 1; }
    # Linked under the names the mount shows, so the launcher must find them as it finds them on a disc.
    for entry in "$tmp/mnt"/*; do
        ln -s "$entry" "$tmp/run/$(basename "$entry")"
    done
    cp -R "$disc/autorun" "$disc/autorun-linux" "$tmp/run/"
    ln -s "$disc/Utils" "$tmp/run/Utils"
    echo "ok    the launcher runs from $tmp/run, linked into the level 1 image: $(ls "$tmp/run" | tr '\n' ' ')"
    E2E_RUN="${as_nobody[*]}" "$here/e2e.sh" "$tmp/run" "$@"
    ;;
esac
