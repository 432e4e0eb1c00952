#!/usr/bin/env bash
# Installs what building, running and testing Autorun need on Debian 12, and any packages
# named as arguments. Quiet when everything is already there; needs root (or sudo) otherwise.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config libx11-dev
    qt6-base-dev libgtk-3-dev libgtest-dev
    fonts-liberation
    xvfb xauth x11-utils x11-apps xdotool imagemagick
    xdg-utils
    # The GTK tests read the pointer's picture back from the X server.
    libxfixes-dev
    # A session and an AT-SPI bus, for the screen-reader tests.
    at-spi2-core dbus-daemon dbus-bin
    # The disc as shipped: the Linux bundle, the image, and the tests that mount it; debootstrap also
    # makes the Debian 11 root the starter is built against (scripts/make-sysroot.sh).
    icu-devtools xorriso genisoimage fuseiso debootstrap zstd
    # The release: Authenticode signing, and the GnuPG signature of its checksums.
    osslsigncode gnupg
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest
    wine wine64 wine32:i386 fonts-wine
    # Runs 32-bit Wine where the kernel cannot run 32-bit programs (scripts/enable-i386.sh).
    qemu-user-static
    # The X extensions Wine's display driver loads when present; the Windows tests ran with them.
    libxrender1 libxcursor1 libxi6 libxrandr2 libxinerama1 libxcomposite1 libxfixes3 libxxf86vm1
    libxrender1:i386 libxcursor1:i386 libxi6:i386 libxrandr2:i386 libxinerama1:i386 libxcomposite1:i386
    libxfixes3:i386 libxxf86vm1:i386
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# The shipped Autorun.exe is a 32-bit program: 32-bit Wine runs it.
dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
"$(dirname "$0")/enable-i386.sh"
